// The bridge's cost: bytes per second relayed for one device, and the time a command's
// round trip gains through the bridge, each against the same simulated device read in
// process. Starts rfbridge from the bench's own folder on a free port; it exits by itself
// 30 s after its last client.
// The figures to read: bytes_per_second of the Relay pair, time per iteration of the
// RoundTrip pair (the difference is what the bridge adds per exchange), and mean_late_us /
// max_late_us of the BlockDelay pair (what a block at the real rate gains on top of that).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_spawn.h"
#include "platform/socket.h"
#include "transport/bluetooth_connection.h"
#include "transport/mock_connection.h"

namespace {

std::string benchFolder = ".";

// A device as fast as it can produce: 32 EEG channels, 3 bytes, 8 samples per block, and a
// block rate so high that pacing never waits.
const char* const kFastDevice =
    R"({"signals": [{"type": "EEG", "channels": 32, "bytes": 3, "blockSize": 8, "mode": 1,
                     "sr": 800000000, "values": [1.0, 2.0, 3.0]}]})";

std::string fastDeviceFile() {
  static const std::string path = [] {
    const std::string file = "bench_bridge_fast_device.json";
    std::ofstream(file) << kFastDevice;
    return file;
  }();
  return path;
}

uint16_t bridgePort() {
  static const uint16_t port = [] {
    zav::platform::Socket probe;
    if (!probe.listenLoopback(0)) return uint16_t{0};
    const uint16_t free = probe.localPort();
    probe.close();
    zav::platform::startDetached(
        benchFolder + "/" + zav::platform::executableFileName("rfbridge"),
        {"--port", std::to_string(free), "--idle-exit", "30", "--quiet"});
    for (int attempt = 0; attempt < 1000; ++attempt) {
      zav::platform::Socket socket;
      if (socket.openTcp() && socket.connectLoopback(free) == zav::platform::ConnectResult::connected) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return free;
  }();
  return port;
}

std::unique_ptr<zav::Connection> bridged(const std::string& device) {
  auto connection = std::make_unique<zav::BluetoothConnection>();
  connection->setProperties({{"device", device}, {"bridgeport", std::to_string(bridgePort())}});
  return connection;
}

std::unique_ptr<zav::Connection> direct(const std::string& configuration) {
  auto connection = std::make_unique<zav::MockConnection>();
  connection->setProperties({{"configuration", configuration}});
  return connection;
}

// The bridge frees a device when it notices that the previous run's client left.
bool openSoon(zav::Connection& connection) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (connection.open()) return true;
    connection.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void relay(benchmark::State& state, std::unique_ptr<zav::Connection> connection) {
  if (!openSoon(*connection)) {
    state.SkipWithError("cannot open the device");
    return;
  }
  connection->setTimeout(2000);
  const uint8_t start = 's';
  connection->write(&start, 1);
  std::vector<uint8_t> buffer(1 << 16);
  int64_t bytes = 0;
  for (auto _ : state) {
    const int32_t got = connection->read(buffer.data(), static_cast<uint32_t>(buffer.size()));
    if (got <= 0) {
      state.SkipWithError("the stream stopped");
      break;
    }
    bytes += got;
  }
  const uint8_t stop = 'p';
  connection->write(&stop, 1);
  connection->close();
  state.SetBytesProcessed(bytes);
}

void roundTrip(benchmark::State& state, std::unique_ptr<zav::Connection> connection) {
  if (!openSoon(*connection)) {
    state.SkipWithError("cannot open the device");
    return;
  }
  connection->setTimeout(2000);
  uint8_t answer[64];
  for (auto _ : state) {
    connection->write(reinterpret_cast<const uint8_t*>("gv"), 2);
    // The simulated device in process answers at once; over the bridge the answer may come
    // in pieces.
    if (connection->readUntil(answer, sizeof answer, 0) <= 0) {
      state.SkipWithError("no answer");
      break;
    }
  }
  connection->close();
}

// Blocks of the built-in device at its real rate (32 per second): how late each arrives
// compared with the earliest one on the same schedule. The constant part of the delay is
// half a round trip; this shows what comes on top of it.
void blockDelays(benchmark::State& state, std::unique_ptr<zav::Connection> connection) {
  if (!openSoon(*connection)) {
    state.SkipWithError("cannot open the device");
    return;
  }
  connection->setTimeout(2000);
  const uint8_t start = 's';
  connection->write(&start, 1);
  constexpr std::size_t kBlockBytes = 9 + 768 + 48 + 18 + 24 + 24;
  std::vector<uint8_t> block(kBlockBytes);
  std::vector<double> offsets;
  const auto first = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::size_t filled = 0;
    while (filled < kBlockBytes) {
      const int32_t got = connection->read(block.data() + filled, static_cast<uint32_t>(kBlockBytes - filled));
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - first).count();
    offsets.push_back(seconds - static_cast<double>(offsets.size()) / 32.0);
  }
  const uint8_t stop = 'p';
  connection->write(&stop, 1);
  connection->close();
  // The first blocks may have been waiting already; the steady state counts.
  const std::vector<double> steady(offsets.begin() + static_cast<std::ptrdiff_t>(offsets.size() / 4), offsets.end());
  double earliest = steady.front(), sum = 0.0, latest = steady.front();
  for (double offset : steady) {
    earliest = std::min(earliest, offset);
    latest = std::max(latest, offset);
    sum += offset;
  }
  state.counters["mean_late_us"] = (sum / static_cast<double>(steady.size()) - earliest) * 1e6;
  state.counters["max_late_us"] = (latest - earliest) * 1e6;
}

std::unique_ptr<zav::Connection> builtIn() {
  auto connection = std::make_unique<zav::MockConnection>();
  connection->setProperties({{"preset", "default"}});
  return connection;
}

void BM_BlockDelayDirect(benchmark::State& state) { blockDelays(state, builtIn()); }
void BM_BlockDelayBridge(benchmark::State& state) { blockDelays(state, bridged("sim:amp")); }

void BM_RelayDirect(benchmark::State& state) { relay(state, direct(fastDeviceFile())); }
void BM_RelayBridge(benchmark::State& state) { relay(state, bridged("sim:" + fastDeviceFile())); }
void BM_RoundTripDirect(benchmark::State& state) { roundTrip(state, direct(fastDeviceFile())); }
void BM_RoundTripBridge(benchmark::State& state) { roundTrip(state, bridged("sim:rt")); }

// Real time throughout: over the bridge the work happens in another process.
BENCHMARK(BM_RelayDirect)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_RelayBridge)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_RoundTripDirect)->UseRealTime();
BENCHMARK(BM_RoundTripBridge)->UseRealTime();
BENCHMARK(BM_BlockDelayDirect)->Iterations(160)->UseRealTime();
BENCHMARK(BM_BlockDelayBridge)->Iterations(160)->UseRealTime();

}  // namespace

// The bridge is the one beside this program.
int main(int argc, char** argv) {
  const std::string self = argc > 0 ? argv[0] : "";
  const std::size_t slash = self.find_last_of("/\\");
  if (slash != std::string::npos) benchFolder = self.substr(0, slash);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

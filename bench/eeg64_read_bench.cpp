// What reading a 64-channel set costs the host: the CPU time of the reading thread over the
// wall time while the two simulated halves (32 EEG channels and 256 samples per second each)
// stream through rfbridge, and the allocations per merged record once the halves are
// aligned. Starts rfbridge from the bench's own folder on a free port; it exits by itself
// 5 s after its clients leave.
//
//     bench_eeg64_read [seconds]        (default 10)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "api/driver_connection.h"
#include "api/make_device.h"
#include "platform/process_spawn.h"
#include "platform/socket.h"
#include "support/allocation_counter.h"

namespace {

uint16_t startBridge(const std::string& folder) {
  zav::platform::Socket probe;
  if (!probe.listenLoopback(0)) return 0;
  const uint16_t port = probe.localPort();
  probe.close();
  zav::platform::startDetached(folder + "/" + zav::platform::executableFileName("rfbridge"),
                               {"--port", std::to_string(port), "--idle-exit", "5", "--quiet"});
  for (int attempt = 0; attempt < 500; ++attempt) {
    zav::platform::Socket socket;
    if (socket.openTcp() && socket.connectLoopback(port) == zav::platform::ConnectResult::connected) return port;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

double seconds(std::clock_t ticks) { return static_cast<double>(ticks) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  const double runSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const std::string self = argc > 0 ? argv[0] : "";
  const std::size_t slash = self.find_last_of("/\\");
  const uint16_t port = startBridge(slash == std::string::npos ? "." : self.substr(0, slash));
  if (port == 0) {
    std::printf("rfbridge did not start\n");
    return 1;
  }
  zav::PropertyMap properties;
  properties.set<std::string>("left", "sim:left");
  properties.set<std::string>("right", "sim:right");
  properties.set<int>("bridgePort", port);
  zav::detail::DriverConnection set(zav::makeDevice(zav::kEeg64Kind, properties), 2);
  set.connect();
  if (!set.driver().isConnected() || !set.start()) {
    std::printf("the set did not connect and start\n");
    return 1;
  }

  // From here on the reading thread is the process's only one: process CPU time is its own.
  using Clock = std::chrono::steady_clock;
  const auto begin = Clock::now();
  const std::clock_t cpuBegin = std::clock();
  uint16_t sequence = 0, battery = 0, flags = 0;
  long records = 0, failed = 0, aligned = 0, counted = 0, allocating = 0;
  uint64_t allocationsBefore = 0;
  while (std::chrono::duration<double>(Clock::now() - begin).count() < runSeconds) {
    const uint64_t before = zav::test::allocations();
    const double* record = set.read(sequence, battery, flags);
    const bool allocated = zav::test::allocations() != before;
    ++records;
    if (record == nullptr) {
      ++failed;
      continue;
    }
    if (flags == 7) continue;
    // The first aligned second fills the queues and the impedance window's storage.
    if (++aligned == 32) allocationsBefore = zav::test::allocations();
    if (aligned > 32) {
      ++counted;
      allocating += allocated ? 1 : 0;
    }
  }
  const std::clock_t cpuEnd = std::clock();
  const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
  const uint64_t allocations = zav::test::allocations() - allocationsBefore;
  set.stop();
  set.driver().disconnect(true);

  const double cpu = seconds(cpuEnd - cpuBegin);
  std::printf("records read:              %ld (%ld failed, %ld aligned)\n", records, failed, aligned);
  std::printf("wall time:                 %.2f s\n", wall);
  std::printf("reading thread CPU time:   %.3f s\n", cpu);
  std::printf("share of one core:         %.3f %%\n", 100.0 * cpu / wall);
  std::printf("CPU time per record:       %.1f us\n", records > 0 ? 1e6 * cpu / static_cast<double>(records) : 0.0);
  std::printf("allocations per record:    %.2f (over %ld aligned records)\n",
              counted > 0 ? static_cast<double>(allocations) / static_cast<double>(counted) : NAN, counted);
  // A marker code found writes a diagnostic line, which allocates: one record in 64.
  std::printf("records that allocated:    %ld\n", allocating);
  return 0;
}

// Decoding throughput of the live read path: framing, checksum and decoding of one
// block per iteration through BlockReader::readAndDecode over an in-memory transport.
// The figures to read are the time per iteration (one block) and blocks/s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "driver/block_reader.h"
#include "signal/signal_decoder.h"
#include "transport/connection.h"

namespace {

using zav::SignalInfo;
using zav::SignalList;

// Hands out a prepared run of blocks over and over, as fast as asked.
class LoopConnection : public zav::Connection {
 public:
  explicit LoopConnection(std::vector<uint8_t> stream) : stream_(std::move(stream)) {}

 protected:
  std::string describe() const override { return "loop"; }
  bool doKeepsDeviceClock() const override { return false; }
  bool doOpen() override { return true; }
  bool doClose() override { return true; }
  bool doSetTimeout(uint32_t) override { return true; }
  uint32_t doGetTimeout() override { return 0; }
  uint32_t doWrite(const uint8_t*, uint32_t count) override { return count; }
  uint32_t doRead(uint8_t* buffer, uint32_t count) override {
    const auto n = static_cast<uint32_t>(std::min<std::size_t>(count, stream_.size() - position_));
    std::memcpy(buffer, stream_.data() + position_, n);
    position_ = (position_ + n) % stream_.size();
    return n;
  }

 private:
  std::vector<uint8_t> stream_;
  std::size_t position_ = 0;
};

// Sixteen consecutive blocks with varied payload bytes.
std::vector<uint8_t> makeStream(uint32_t blockBytes) {
  std::vector<uint8_t> stream;
  uint32_t seed = 12345;
  for (uint16_t sequence = 0; sequence < 16; ++sequence) {
    std::vector<uint8_t> block(blockBytes);
    block[0] = 0xAA;
    block[1] = 0x55;
    zav::writeU16BE(&block[2], sequence);
    zav::writeU16BE(&block[4], 3700);
    for (uint32_t i = 8; i + 1 < blockBytes; ++i) {
      seed = seed * 1103515245u + 12345u;
      block[i] = static_cast<uint8_t>(seed >> 16);
    }
    block[blockBytes - 1] = zav::byteSum(block.data(), blockBytes - 1);
    stream.insert(stream.end(), block.begin(), block.end());
  }
  return stream;
}

void readBlocks(benchmark::State& state, const SignalList& signals) {
  zav::BlockReader reader;
  reader.configure(signals);
  LoopConnection connection(makeStream(reader.blockBytes()));
  connection.open();
  reader.setConnection(&connection);
  std::vector<double> values;
  uint16_t sequence = 0, battery = 0, flags = 0;
  for (auto _ : state) {
    if (!reader.readAndDecode(values, sequence, battery, flags)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(values.data());
  }
  state.counters["blocks/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * reader.blockBytes());
}

void Eeg64(benchmark::State& state) { readBlocks(state, {SignalInfo("EEG", 64, 3, 8, 1)}); }

void Eeg64WithAuxiliary(benchmark::State& state) {
  readBlocks(state, {SignalInfo("EEG", 64, 3, 8, 1), SignalInfo("ExG_A", 2, 3, 8, 1), SignalInfo("ACC", 3, 2, 1, 1),
                     SignalInfo("GSR", 1, 2, 1, 1), SignalInfo("IMU", 9, 2, 1, 2), SignalInfo("DIN", 1, 1, 8, 1),
                     SignalInfo("COM", 8, 3, 1, 9), SignalInfo("uSD", 0, 0, 0, 1)});
}

// The decoder alone, without framing.
void EegDecoderOnly(benchmark::State& state) {
  const auto decoder = zav::makeDecoder("EEG", 3, 64, 8);
  const std::vector<uint8_t> data = makeStream(decoder->bytesPerBlock() + 9);
  std::vector<double> values(decoder->valuesPerBlock());
  for (auto _ : state) {
    decoder->decode(data.data() + 8, 1, values.data());
    benchmark::DoNotOptimize(values.data());
  }
  state.counters["blocks/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(Eeg64);
BENCHMARK(Eeg64WithAuxiliary);
BENCHMARK(EegDecoderOnly);

}  // namespace

BENCHMARK_MAIN();

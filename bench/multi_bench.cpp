// Merging throughput of the 64-channel set: per iteration one block of each device is
// buffered, the alignment step looks for codes, and one merged record is written. The
// figure to read is the time per iteration: nanoseconds per merged record.
#include <benchmark/benchmark.h>

#include <limits>
#include <vector>

#include "common/diagnostics.h"
#include "multi/alignment.h"
#include "multi/side_buffer.h"
#include "signal/signal_info.h"

namespace {

using zav::SignalInfo;
using zav::SignalList;

constexpr std::size_t kPatternBlocks = 16;
constexpr std::size_t kDinChannel1 = 256 + 16 + 9 + 8 + 8;

const SignalList kDevice = {SignalInfo("EEG", 32, 3, 8, 1),  SignalInfo("ExG_B", 2, 3, 8, 1),
                            SignalInfo("IMU_B", 9, 2, 1, 1), SignalInfo("FOT", 1, 3, 8, 1),
                            SignalInfo("DIN", 3, 1, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};
const SignalList kMerged = {SignalInfo("EEG", 64, 3, 8, 1),  SignalInfo("ExG_B", 4, 3, 8, 1),
                            SignalInfo("IMU_B", 9, 2, 1, 1), SignalInfo("IMU_B", 9, 2, 1, 1),
                            SignalInfo("FOT", 2, 3, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};

// Codeword bytes (start bit set) of the codes 0x41 and 0x42: nibbles 4, 1 and 4, 2.
constexpr uint8_t kCodeBytes[2][2] = {{0xAA, 0xF0}, {0xAA, 0xCC}};

// Sixteen blocks of one device: varied samples, and a code at rows 0 and 64 of the din.
std::vector<std::vector<double>> makeBlocks() {
  const std::size_t perBlock = static_cast<std::size_t>(zav::valuesPerBlock(kDevice));
  std::vector<std::vector<double>> blocks(kPatternBlocks, std::vector<double>(perBlock, 0.0));
  for (std::size_t b = 0; b < kPatternBlocks; ++b) {
    for (std::size_t i = 0; i < kDinChannel1 - 8; ++i)
      blocks[b][i] = static_cast<double>((b * 131 + i * 17) % 997);
  }
  for (std::size_t code = 0; code < 2; ++code) {
    const std::size_t firstRow = code * 64;
    for (std::size_t bit = 0; bit < 16; ++bit) {
      const std::size_t row = firstRow + bit;
      const uint8_t byte = kCodeBytes[code][bit / 8];
      blocks[row / 8][kDinChannel1 + row % 8] = (byte >> (7 - bit % 8)) & 1;
    }
  }
  return blocks;
}

void MergeRecords(benchmark::State& state) {
  zav::diag::setSink([](const char*, void*) {}, nullptr);  // the code lines are not the subject
  const std::vector<std::vector<double>> blocks = makeBlocks();
  zav::SideBuffer left;
  zav::SideBuffer right;
  bool synchronized = false;
  uint8_t lastCode = 0;
  std::vector<double> record(static_cast<std::size_t>(zav::valuesPerBlock(kMerged)));
  uint16_t sequence = 0;
  for (auto _ : state) {
    zav::limitBuffers(left, right);
    const std::vector<double>& block = blocks[sequence % kPatternBlocks];
    left.push(block, kDevice, sequence);
    right.push(block, kDevice, sequence);
    ++sequence;
    zav::synchronizationStep(left, right, synchronized, lastCode);
    record.assign(record.size(), std::numeric_limits<double>::quiet_NaN());
    if (synchronized) zav::merge(left, right, kMerged, record);
    benchmark::DoNotOptimize(record.data());
  }
  zav::diag::setSink(nullptr, nullptr);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(MergeRecords);

}  // namespace

BENCHMARK_MAIN();

// Cost of grading one EEG block: ImpedanceEstimator::process for 32 and 64 channels at
// blockSize 8 and 256 samples/s, averaged over whole evaluation cycles (each 65th block
// also sums the 10-second window). One iteration is one block, so Time is ns per block.
#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "signal/channel_filter.h"
#include "signal/impedance_estimator.h"

namespace {

constexpr uint64_t kBlockSize = 8;
constexpr uint64_t kSampleRate = 256;
constexpr std::size_t kDistinctBlocks = 65;  // one evaluation interval

std::vector<std::vector<double>> eegBlocks(uint64_t channels) {
  std::vector<std::vector<double>> blocks(kDistinctBlocks, std::vector<double>(channels * kBlockSize));
  for (std::size_t b = 0; b < kDistinctBlocks; ++b) {
    for (uint64_t c = 0; c < channels; ++c) {
      for (uint64_t s = 0; s < kBlockSize; ++s) {
        const double n = static_cast<double>(b * kBlockSize + s);
        blocks[b][c * kBlockSize + s] = 40.0 * std::sin(2.0 * 3.141592653589793 * 80.0 * n / kSampleRate) + 3.0 * c;
      }
    }
  }
  return blocks;
}

void processBlock(benchmark::State& state) {
  const uint64_t channels = static_cast<uint64_t>(state.range(0));
  const std::vector<std::vector<double>> blocks = eegBlocks(channels);
  zav::ImpedanceEstimator estimator(10, 2);
  estimator.configure(channels, kBlockSize, kSampleRate, zav::kDrySensor);
  // Fill the first window so that the measured blocks include evaluations.
  for (std::size_t b = 0; b < 320; ++b) estimator.process(blocks[b % kDistinctBlocks].data(), true);
  std::size_t next = 0;
  for (auto _ : state) {
    estimator.process(blocks[next].data(), true);
    next = (next + 1) % kDistinctBlocks;
  }
  benchmark::DoNotOptimize(estimator.status(0));
}
BENCHMARK(processBlock)->Arg(32)->Arg(64)->Unit(benchmark::kNanosecond);

void filterBlock(benchmark::State& state) {
  const uint64_t channels = static_cast<uint64_t>(state.range(0));
  zav::ChannelFilter filter(channels, kBlockSize, kSampleRate);
  filter.design(zav::kBandpass, 4, 70.0, 90.0);
  std::vector<double> in(channels * kBlockSize, 1.5);
  std::vector<double> out(in.size());
  for (auto _ : state) {
    filter.apply(in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(filterBlock)->Arg(32)->Arg(64)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();

// The cost of recording to BDF: 64 EEG channels at 256 samples per second (32 blocks of
// 8 samples), written block by block as a live recording writes them. One iteration is
// one second of data, so the time per iteration is the CPU that a second of data takes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "record/bdf_writer.h"
#include "support/temp_folder.h"

namespace {

void BM_BdfSecondOf64Channels(benchmark::State& state) {
  zav::test::TempFolder folder;
  zav::BdfWriter writer((folder / "bench.bdf").string());
  constexpr uint16_t kBlocksPerSecond = 32;
  if (!writer.open({{"EEG", 64, 3, 8, 1}}, kBlocksPerSecond)) {
    state.SkipWithError(writer.error().c_str());
    return;
  }
  std::vector<double> values(64 * 8);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = 50.0 * std::sin(0.1 * static_cast<double>(i));
  for (auto _ : state) {
    for (uint16_t block = 0; block < kBlocksPerSecond; ++block) writer.write(values.data(), values.size(), 0);
  }
  benchmark::DoNotOptimize(writer.close());
  state.counters["samples/s"] =
      benchmark::Counter(64.0 * 256 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BdfSecondOf64Channels)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

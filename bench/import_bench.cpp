// Record import speed: writes a one-hour record of a 32-channel device (EEG at 256
// samples per second, ExG_B, IMU_B, photodiode and digital inputs) to a temporary folder,
// converts it into CSV files, and reports input MB/s, rows per second, peak memory and
// the ratio to the floor of the format: a plain program writing the same bytes as the
// same number of rows, one flush per row. The import and the floor run in turns; each
// run's ratio and the best time of each are reported, with the processor time of both.
//
//     bench_import [minutes] [runs]   (default 60 minutes, 3 runs)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "flush_floor.h"
#include "record/importer.h"
#include "record/sd_record_export.h"
#include "support/record_writer.h"
#include "support/temp_folder.h"

namespace {

using zav::bench::Clock;
using zav::bench::FileFigures;
using zav::bench::measureOutput;
using zav::bench::secondsSince;
using zav::bench::writeFloor;

constexpr uint16_t kBlocksPerSecond = 32;
constexpr int kFiles = 4;

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Processor time of the whole process (every thread, user and system) so far.
double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t half = values.size() / 2;
  return values.size() % 2 == 1 ? values[half] : (values[half - 1] + values[half]) / 2.0;
}

// Plausible values: EEG and ExG noise of tens of microvolts with a 10 Hz rhythm,
// motion, light and digital lines.
class SignalSource {
 public:
  explicit SignalSource(std::size_t values) : values_(values) {}

  const std::vector<double>& next(uint16_t sequence) {
    std::normal_distribution<double> noise(0.0, 15.0);
    std::size_t i = 0;
    for (int channel = 0; channel < 34; ++channel) {  // EEG 32, ExG_B 2, 8 samples each
      for (int sample = 0; sample < 8; ++sample) {
        const double t = (sequence * 8.0 + sample) / 256.0;
        values_[i++] = 20.0 * std::sin(2.0 * 3.14159265358979 * 10.0 * t + channel) + noise(random_);
      }
    }
    for (int channel = 0; channel < 9; ++channel) values_[i++] = noise(random_) / 4.0;         // IMU_B
    for (int sample = 0; sample < 8; ++sample) values_[i++] = 1000.0 + noise(random_) * 10.0;  // FOT
    for (int channel = 0; channel < 3; ++channel) {                                            // DIN
      for (int sample = 0; sample < 8; ++sample) values_[i++] = (sequence >> channel) & 1;
    }
    return values_;
  }

 private:
  std::vector<double> values_;
  std::mt19937 random_{42};
};


}  // namespace

int main(int argc, char** argv) {
  const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const zav::test::TempFolder folder;
  const std::filesystem::path input = folder / "card";
  const std::filesystem::path output = folder / "csv";
  const std::filesystem::path floorFolder = folder / "floor";
  std::filesystem::create_directories(input);
  std::filesystem::create_directories(output);
  std::filesystem::create_directories(floorFolder);

  const zav::test::RecordWriter writer({{"EEG", 32, 3, 8, 1},
                                        {"ExG_B", 2, 3, 8, 1},
                                        {"IMU_B", 9, 2, 1, 1},
                                        {"FOT", 1, 3, 8, 1},
                                        {"DIN", 3, 1, 8, 1}},
                                       kBlocksPerSecond, "bench record");
  const uint64_t blocks = static_cast<uint64_t>(minutes) * 60 * kBlocksPerSecond;
  SignalSource source(writer.valueCount());
  uint64_t inputBytes = 0;
  for (int f = 0; f < kFiles; ++f) {
    std::ofstream file(input / (std::to_string(f) + "_bench.bin"), std::ios::binary);
    const std::string header = writer.header();
    file << header;
    inputBytes += header.size();
    for (uint64_t b = blocks * f / kFiles; b < blocks * (f + 1) / kFiles; ++b) {
      const auto sequence = static_cast<uint16_t>(b);
      const std::string block = writer.block(sequence, source.next(sequence), 3900, 0);
      file << block;
      inputBytes += block.size();
    }
  }
  const long peakBefore = peakKilobytes();
  std::printf("record: %d min, %llu blocks of %zu bytes in %d files, %.1f MB\n", minutes,
              static_cast<unsigned long long>(blocks), writer.blockBytes(), kFiles, inputBytes / 1e6);

  // Reading, decoding and ordering alone.
  Clock::time_point start = Clock::now();
  zav::Importer importer(input.string(), "bench");
  const auto stream = importer.stream();
  uint64_t pulled = 0;
  while (stream->next() != nullptr) ++pulled;
  const double pullSeconds = secondsSince(start);

  // The whole conversion, and the floor for its output.
  int result = 1;
  double importSeconds = 1e9;
  double floorSeconds = 1e9;
  long peakAfter = 0;
  std::vector<FileFigures> files;
  std::vector<double> ratios;
  for (int run = 0; run < runs; ++run) {
    double cpu = cpuSeconds();
    start = Clock::now();
    result = std::min(result, zav::importSdRecord(input.string().c_str(), "bench", output.string().c_str()));
    const double seconds = secondsSince(start);
    const double importCpu = cpuSeconds() - cpu;
    peakAfter = peakKilobytes();
    if (run == 0) files = measureOutput(output);
    cpu = cpuSeconds();
    const double floor = writeFloor(files, floorFolder);
    const double floorCpu = cpuSeconds() - cpu;
    std::printf("run %d: import %.2f s (cpu %.2f s), floor %.2f s (cpu %.2f s), ratio %.2f\n", run + 1, seconds,
                importCpu, floor, floorCpu, seconds / floor);
    importSeconds = std::min(importSeconds, seconds);
    floorSeconds = std::min(floorSeconds, floor);
    ratios.push_back(seconds / floor);
  }
  uint64_t rows = 0;
  uint64_t outputBytes = 0;
  for (const FileFigures& figures : files) {
    rows += figures.rows;
    outputBytes += figures.bytes;
  }

  std::printf("result %d, %llu blocks pulled\n", result, static_cast<unsigned long long>(pulled));
  std::printf("read+decode+order:  %7.2f s  %8.1f MB/s in\n", pullSeconds, inputBytes / 1e6 / pullSeconds);
  std::printf("import to CSV:      %7.2f s  %8.1f MB/s in  %8.1f MB out  %9.0f rows/s  (%llu rows)\n",
              importSeconds, inputBytes / 1e6 / importSeconds, outputBytes / 1e6, rows / importSeconds,
              static_cast<unsigned long long>(rows));
  std::printf("floor (same rows, one flush each): %7.2f s\n", floorSeconds);
  // The disk's write-back makes the floor itself vary from run to run by a factor of two;
  // each import is held against the floor written right after it.
  std::printf("ratio import / floor: %.2f median of the runs' ratios, %.2f best against best (target 1.15)\n",
              median(ratios), importSeconds / floorSeconds);
  std::printf("peak memory: %ld KB before the import, %ld KB after\n", peakBefore, peakAfter);
  return result == 1 ? 0 : 1;
}

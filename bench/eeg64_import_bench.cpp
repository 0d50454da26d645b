// Two-device record import: writes left and right records of a 64-channel set (32 + 32
// EEG channels at 256 samples per second, the right device started 1.3 s late, marker
// codes every two seconds), converts each pair into CSV files in a child process, and
// reports the time, the child's peak resident memory, and the ratio to the floor of the
// format: a plain program writing the same rows with one flush per row. Peak memory must
// not grow with the record's length.
//
//     bench_eeg64_import [minutes ...]   (default 60 240)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "flush_floor.h"
#include "record/eeg64_record_export.h"
#include "record/eeg64_records.h"
#include "support/temp_folder.h"

namespace {

using zav::bench::Clock;
using zav::bench::FileFigures;
using zav::bench::measureOutput;
using zav::bench::secondsSince;
using zav::bench::writeFloor;

constexpr int kFiles = 4;
constexpr uint64_t kRightLateSamples = 333;  // 1.3 s

// Both sides' files, written block by block.
uint64_t writePair(const std::filesystem::path& folder, int minutes) {
  const uint64_t blocks = static_cast<uint64_t>(minutes) * 60 * zav::test::kEeg64BlocksPerSecond;
  uint64_t bytes = 0;
  for (int side = 0; side < 2; ++side) {
    const zav::test::RecordWriter writer = zav::test::eeg64SideWriter(side == 0 ? "left" : "right");
    const std::filesystem::path sideFolder = folder / (side == 0 ? "left" : "right");
    std::filesystem::create_directories(sideFolder);
    std::vector<double> values(writer.valueCount());
    for (int f = 0; f < kFiles; ++f) {
      const std::string name = std::to_string(f) + (side == 0 ? "_bench_l.bin" : "_bench_r.bin");
      std::ofstream file(sideFolder / name, std::ios::binary);
      file << writer.header();
      for (uint64_t b = blocks * f / kFiles; b < blocks * (f + 1) / kFiles; ++b) {
        zav::test::eeg64SideBlock(side, b, side == 0 ? 0 : kRightLateSamples, values);
        const std::string block = writer.block(static_cast<uint16_t>(b), values, 3900, 0);
        file << block;
        bytes += block.size();
      }
    }
  }
  return bytes;
}


// Child: converts the pair in folder and prints "<pairs> <seconds> <peak KB>".
int importChild(const std::filesystem::path& folder) {
  const std::filesystem::path output = folder / "csv";
  std::filesystem::create_directories(output);
  const Clock::time_point start = Clock::now();
  const int pairs =
      zav::importEeg64SdRecord((folder / "left").string().c_str(), (folder / "right").string().c_str(),
                               "bench", output.string().c_str());
  const double seconds = secondsSince(start);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%d %f %ld\n", pairs, seconds, usage.ru_maxrss);
  return pairs == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--import") return importChild(argv[2]);
  std::vector<int> lengths;
  for (int i = 1; i < argc; ++i) lengths.push_back(std::max(1, std::atoi(argv[i])));
  if (lengths.empty()) lengths = {60, 240};

  std::vector<long> peaks;
  for (const int minutes : lengths) {
    const zav::test::TempFolder folder;
    const uint64_t inputBytes = writePair(folder.path(), minutes);
    // Silenced: the alignment names every marker code it finds.
    const std::string command = std::string(argv[0]) + " --import " + folder.string() + " 2>&1 | tail -n 1";
    std::FILE* child = popen(command.c_str(), "r");
    int pairs = 0;
    double seconds = 0;
    long peak = 0;
    if (child == nullptr || std::fscanf(child, "%d %lf %ld", &pairs, &seconds, &peak) != 3 || pairs != 1) {
      std::printf("%d min: the import failed\n", minutes);
      return 1;
    }
    pclose(child);
    const std::vector<FileFigures> files = measureOutput(folder / "csv");
    uint64_t rows = 0;
    uint64_t outputBytes = 0;
    for (const FileFigures& figures : files) {
      rows += figures.rows;
      outputBytes += figures.bytes;
    }
    // Dropped before the floor runs, so that it does not wait for their write-back.
    std::filesystem::remove_all(folder / "left");
    std::filesystem::remove_all(folder / "right");
    std::filesystem::remove_all(folder / "csv");
    const double floorSeconds = writeFloor(files, folder / "floor");
    std::printf("%4d min pair: %7.1f MB in, %7.1f MB out, %llu rows\n", minutes, inputBytes / 1e6,
                outputBytes / 1e6, static_cast<unsigned long long>(rows));
    std::printf("  import %7.2f s (%6.1f MB/s in), floor %7.2f s, ratio %.2f, peak memory %ld KB\n", seconds,
                inputBytes / 1e6 / seconds, floorSeconds, seconds / floorSeconds, peak);
    peaks.push_back(peak);
  }
  if (peaks.size() >= 2) {
    std::printf("peak memory of the longest / the shortest pair: %.3f\n",
                static_cast<double>(peaks.back()) / static_cast<double>(peaks.front()));
  }
  return 0;
}

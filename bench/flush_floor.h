// The floor of the CSV format for the import benchmarks: the bytes and rows an import wrote,
// written again by a plain loop with one flush per row, as the format asks.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zav::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The bytes and rows of every file in folder.
struct FileFigures {
  std::string path;
  uint64_t bytes = 0;
  uint64_t rows = 0;
};

inline std::vector<FileFigures> measureOutput(const std::filesystem::path& folder) {
  std::vector<FileFigures> files;
  std::vector<char> buffer(1 << 20);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    FileFigures figures;
    figures.path = entry.path().string();
    std::ifstream in(entry.path(), std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
      const auto got = static_cast<std::size_t>(in.gcount());
      figures.bytes += got;
      for (std::size_t i = 0; i < got; ++i) figures.rows += buffer[i] == '\n';
    }
    files.push_back(figures);
  }
  return files;
}

// The floor: the same rows and bytes per file, each row written and flushed on its own.
inline double writeFloor(const std::vector<FileFigures>& files, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const Clock::time_point start = Clock::now();
  int index = 0;
  for (const FileFigures& figures : files) {
    if (figures.rows == 0) continue;
    const std::string path = (folder / ("floor" + std::to_string(index++) + ".csv")).string();
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return -1.0;
    const uint64_t length = figures.bytes / figures.rows;
    std::string row(length + 1, '7');
    std::setvbuf(file, nullptr, _IOFBF, row.size() + 64);
    for (uint64_t r = 0; r < figures.rows; ++r) {
      const std::size_t size = r < figures.bytes % figures.rows ? length + 1 : length;
      row[size - 1] = '\n';
      std::fwrite(row.data(), 1, size, file);
      std::fflush(file);
      row[size - 1] = '7';
    }
    std::fclose(file);
  }
  return secondsSince(start);
}

}  // namespace zav::bench

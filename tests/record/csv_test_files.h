// Reading the CSV output in tests: text mode, so that the platform's line ends read as
// "\n" and the expected texts are the same everywhere.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zav::test {

inline std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zav::test

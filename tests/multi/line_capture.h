// Collects the diagnostic lines written while it lives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/diagnostics.h"

namespace zav::test {

class LineCapture {
 public:
  LineCapture() {
    diag::setSink([](const char* line, void* lines) { static_cast<Lines*>(lines)->emplace_back(line); },
                  &lines_);
  }
  ~LineCapture() { diag::setSink(nullptr, nullptr); }
  LineCapture(const LineCapture&) = delete;
  LineCapture& operator=(const LineCapture&) = delete;

  // The lines so far, and forgets them.
  std::vector<std::string> take() { return std::exchange(lines_, {}); }

 private:
  using Lines = std::vector<std::string>;
  Lines lines_;
};

}  // namespace zav::test

// Collects the diagnostic lines written while it lives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/diagnostics.h"

namespace zav::test {

class LineCapture {
 public:
  LineCapture() { diag::setSink(&LineCapture::collect, this); }
  ~LineCapture() { diag::setSink(nullptr, nullptr); }
  LineCapture(const LineCapture&) = delete;
  LineCapture& operator=(const LineCapture&) = delete;

  // The lines so far, and forgets them.
  std::vector<std::string> take() {
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
  }

 private:
  static void collect(const char* line, void* user) {
    static_cast<LineCapture*>(user)->lines_.emplace_back(line);
  }

  std::vector<std::string> lines_;
};

}  // namespace zav::test

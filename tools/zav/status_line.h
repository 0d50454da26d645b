// The live status display: redrawn in place on a terminal, a plain log line per second
// otherwise (so that redirected output stays readable).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "acquisition.h"

namespace zav::cli {

std::string flagsInWords(uint16_t flags);
std::string batteryInWords(uint16_t battery);
std::string gradeName(int grade);
// One letter per grade: G good, F fair, B bad, S saturated, ? unknown.
char gradeLetter(int grade);

class StatusDisplay {
 public:
  explicit StatusDisplay(std::FILE* out);

  void show(const AcquisitionStats& stats, const std::vector<int>& grades);
  // The last figures, always shown, and the cursor left below them.
  void finish(const AcquisitionStats& stats, const std::vector<int>& grades);
  bool terminal() const { return terminal_; }

 private:
  std::string gradeGrid(const std::vector<int>& grades, bool colour) const;

  std::FILE* out_;
  bool terminal_;
  int linesDrawn_ = 0;
  double lastLogSecond_ = -1.0;
};

}  // namespace zav::cli

// The live status display: redrawn in place on a terminal, a plain log line per second
// otherwise (so that redirected output stays readable). Colour only on a terminal and
// without NO_COLOR; the contact grid always carries letters, with a legend.
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
// Whether colour may be used on a terminal: not when NO_COLOR is set to a non-empty text.
bool colourWanted();

class StatusDisplay {
 public:
  explicit StatusDisplay(std::FILE* out);

  void show(const AcquisitionStats& stats, const std::vector<int>& grades);
  // A line of the library's, above the status on a terminal, else on standard error.
  void log(const std::string& line);
  // The last figures, always shown, and the cursor left below them.
  void finish(const AcquisitionStats& stats, const std::vector<int>& grades);
  bool terminal() const { return terminal_; }

 private:
  std::string statusText(const AcquisitionStats& stats) const;
  std::string gradeGrid(const std::vector<int>& grades) const;
  void erase();

  std::FILE* out_;
  bool terminal_;
  bool colour_;
  int linesDrawn_ = 0;
  bool drawn_ = false;
  bool legendShown_ = false;
  double lastLogSecond_ = -1.0;
};

}  // namespace zav::cli

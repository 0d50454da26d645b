#include "status_line.h"

#include <algorithm>
#include <cinttypes>

#include "terminal.h"

namespace zav::cli {

namespace {

bool anyGrade(const std::vector<int>& grades) {
  return std::any_of(grades.begin(), grades.end(), [](int g) { return g != 0; });
}

const char* gradeColour(int grade) {
  switch (grade) {
    case 1: return "\x1b[42;30m";
    case 2: return "\x1b[43;30m";
    case 3: return "\x1b[41;97m";
    case 4: return "\x1b[45;97m";
    default: return "\x1b[100;97m";
  }
}

}  // namespace

std::string flagsInWords(uint16_t flags) {
  switch (flags) {
    case 0: return "ok";
    case 1: return "SD card removed";
    case 2: return "SD card access error";
    case 3: return "SD card folder error";
    case 4: return "SD card time error";
    case 5: return "SD card file error";
    case 6: return "SD card full";
    case 7: return "devices not synchronized";
    case 256: return "bad anchor configuration";
    default: return "flags " + std::to_string(flags);
  }
}

std::string batteryInWords(uint16_t battery) {
  if (battery == 65535) return "charging";
  if (battery == 65534) return "unknown";
  return std::to_string(battery) + "/5";
}

std::string gradeName(int grade) {
  switch (grade) {
    case 1: return "good";
    case 2: return "fair";
    case 3: return "bad";
    case 4: return "saturated";
    default: return "unknown";
  }
}

char gradeLetter(int grade) {
  switch (grade) {
    case 1: return 'G';
    case 2: return 'F';
    case 3: return 'B';
    case 4: return 'S';
    default: return '?';
  }
}

StatusDisplay::StatusDisplay(std::FILE* out) : out_(out), terminal_(enableAnsi(out)) {}

std::string StatusDisplay::gradeGrid(const std::vector<int>& grades, bool colour) const {
  std::string grid;
  for (std::size_t c = 0; c < grades.size(); ++c) {
    if (colour) {
      char cell[64];
      std::snprintf(cell, sizeof cell, "%s%3zu\x1b[0m", gradeColour(grades[c]), c + 1);
      grid += cell;
      if ((c + 1) % 16 == 0 && c + 1 < grades.size()) grid += "\n";
    } else {
      grid += gradeLetter(grades[c]);
    }
  }
  return grid;
}

void StatusDisplay::show(const AcquisitionStats& stats, const std::vector<int>& grades) {
  const double rate = stats.seconds > 0.0 ? static_cast<double>(stats.blocks) / stats.seconds : 0.0;
  char line[512];
  std::snprintf(line, sizeof line,
                "%7.1f s  %8" PRIu64 " blocks  %6.1f blocks/s  gaps %" PRIu64 "  battery %s  flags %s%s",
                stats.seconds, stats.blocks, rate, stats.missingBlocks, batteryInWords(stats.battery).c_str(),
                flagsInWords(stats.flags).c_str(), stats.linkLost ? "  LINK LOST" : "");
  if (terminal_) {
    std::string text = line;
    if (anyGrade(grades)) text += "\ncontact:\n" + gradeGrid(grades, true);
    // Back to the top of what was drawn last time, then redraw every line.
    if (linesDrawn_ > 0) std::fprintf(out_, "\x1b[%dF", linesDrawn_);
    std::fprintf(out_, "\r\x1b[J%s", text.c_str());
    linesDrawn_ = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    std::fflush(out_);
    return;
  }
  if (stats.seconds - lastLogSecond_ < 1.0 && !stats.linkLost) return;
  lastLogSecond_ = stats.seconds;
  std::fprintf(out_, "%s%s%s\n", line, anyGrade(grades) ? "  contact " : "",
               anyGrade(grades) ? gradeGrid(grades, false).c_str() : "");
  std::fflush(out_);
}

void StatusDisplay::finish(const AcquisitionStats& stats, const std::vector<int>& grades) {
  lastLogSecond_ = -1.0e9;
  show(stats, grades);
  if (terminal_) {
    std::fprintf(out_, "\n");
    std::fflush(out_);
  }
}

}  // namespace zav::cli

#include "status_line.h"

#include <algorithm>
#include <cinttypes>
#include <cstdlib>

#include "terminal.h"

namespace zav::cli {

namespace {

constexpr std::size_t kGridColumns = 16;
constexpr const char* kLegend = "G good  F fair  B bad  S saturated  ? unknown";
constexpr const char* kWaiting = "waiting (grades come after 10 s of data)";

const char* gradeColour(int grade) {
  switch (grade) {
    case 1:
      return "\x1b[42;30m";
    case 2:
      return "\x1b[43;30m";
    case 3:
      return "\x1b[41;97m";
    case 4:
      return "\x1b[45;97m";
    default:
      return "\x1b[100;97m";
  }
}

}  // namespace

std::string flagsInWords(uint16_t flags) {
  switch (flags) {
    case 0:
      return "ok";
    case 1:
      return "SD card removed";
    case 2:
      return "SD card access error";
    case 3:
      return "SD card folder error";
    case 4:
      return "SD card time error";
    case 5:
      return "SD card file error";
    case 6:
      return "SD card full";
    case 7:
      return "devices not aligned";
    case 256:
      return "bad anchor configuration";
    default:
      return "flags " + std::to_string(flags);
  }
}

std::string batteryInWords(uint16_t battery) {
  if (battery == 65535) return "charging";
  if (battery == 65534) return "unknown";
  return std::to_string(battery) + "/5";
}

std::string gradeName(int grade) {
  switch (grade) {
    case 1:
      return "good";
    case 2:
      return "fair";
    case 3:
      return "bad";
    case 4:
      return "saturated";
    default:
      return "unknown";
  }
}

char gradeLetter(int grade) {
  switch (grade) {
    case 1:
      return 'G';
    case 2:
      return 'F';
    case 3:
      return 'B';
    case 4:
      return 'S';
    default:
      return '?';
  }
}

bool colourWanted() {
  const char* noColour = std::getenv("NO_COLOR");
  return noColour == nullptr || noColour[0] == '\0';
}

StatusDisplay::StatusDisplay(std::FILE* out)
    : out_(out), terminal_(enableAnsi(out)), colour_(terminal_ && colourWanted()) {}

std::string StatusDisplay::statusText(const AcquisitionStats& stats) const {
  const double rate = stats.seconds > 0.0 ? static_cast<double>(stats.blocks) / stats.seconds : 0.0;
  char line[512];
  if (stats.pair) {
    char alignment[160];
    if (stats.aligned) {
      std::snprintf(alignment, sizeof alignment,
                    "aligned (big delays found %" PRIu64 ", NaN records %" PRIu64 ")", stats.realignments,
                    stats.nanRecords);
    } else {
      std::snprintf(alignment, sizeof alignment, "waiting for a code (%" PRIu64 " records not aligned)",
                    stats.unalignedRecords);
    }
    std::snprintf(line, sizeof line,
                  "%7.1f s  %8" PRIu64 " records  %6.1f records/s  %s  battery %s (lower side)%s",
                  stats.seconds, stats.blocks, rate, alignment, batteryInWords(stats.battery).c_str(),
                  stats.linkLost ? "  LINK LOST" : "");
  } else {
    std::snprintf(line, sizeof line,
                  "%7.1f s  %8" PRIu64 " blocks  %6.1f blocks/s  gaps %" PRIu64 "  battery %s  flags %s%s",
                  stats.seconds, stats.blocks, rate, stats.missingBlocks,
                  batteryInWords(stats.battery).c_str(), flagsInWords(stats.flags).c_str(),
                  stats.linkLost ? "  LINK LOST" : "");
  }
  return line;
}

std::string StatusDisplay::gradeGrid(const std::vector<int>& grades) const {
  std::string grid;
  for (std::size_t c = 0; c < grades.size(); ++c) {
    char cell[48];
    if (colour_) {
      std::snprintf(cell, sizeof cell, "%s%3zu%c\x1b[0m ", gradeColour(grades[c]), c + 1,
                    gradeLetter(grades[c]));
    } else {
      std::snprintf(cell, sizeof cell, "%3zu%c ", c + 1, gradeLetter(grades[c]));
    }
    grid += cell;
    if ((c + 1) % kGridColumns == 0 && c + 1 < grades.size()) grid += "\n";
  }
  return grid;
}

void StatusDisplay::erase() {
  if (!drawn_) return;
  if (linesDrawn_ > 0) std::fprintf(out_, "\x1b[%dF", linesDrawn_);
  std::fprintf(out_, "\r\x1b[J");
  drawn_ = false;
  linesDrawn_ = 0;
}

void StatusDisplay::log(const std::string& line) {
  if (!terminal_) {
    std::fprintf(stderr, "zav: library: %s\n", line.c_str());
    std::fflush(stderr);
    return;
  }
  erase();
  std::fprintf(out_, "library: %s\n", line.c_str());
  std::fflush(out_);
}

void StatusDisplay::show(const AcquisitionStats& stats, const std::vector<int>& grades) {
  const std::string line = statusText(stats);
  const bool contact = stats.eegChannels > 0;
  if (terminal_) {
    std::string text = line;
    if (contact && grades.empty()) text += "\ncontact: " + std::string(kWaiting);
    if (!grades.empty()) text += "\ncontact (" + std::string(kLegend) + "):\n" + gradeGrid(grades);
    erase();
    std::fprintf(out_, "%s", text.c_str());
    linesDrawn_ = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    drawn_ = true;
    std::fflush(out_);
    return;
  }
  if (stats.seconds - lastLogSecond_ < 1.0 && !stats.linkLost) return;
  lastLogSecond_ = stats.seconds;
  if (!grades.empty() && !legendShown_) {
    std::fprintf(out_, "contact letters from channel 1 on: %s\n", kLegend);
    legendShown_ = true;
  }
  std::string contactText;
  if (contact) contactText = grades.empty() ? "  contact waiting" : "  contact ";
  for (int grade : grades) contactText += gradeLetter(grade);
  std::fprintf(out_, "%s%s\n", line.c_str(), contactText.c_str());
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

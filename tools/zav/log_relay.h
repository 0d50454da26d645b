// The library's diagnostic lines, taken through zav_set_log_handler so that they neither
// tear the live status line nor go unexplained: they wait here until the main thread shows
// them (above the status line, or on standard error), and the lines that tell the program
// something (a realignment of the 64-channel set, a recording that stopped) are counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zav::cli {

void installLogRelay();
// The lines that came since the last call, oldest first.
std::vector<std::string> takeLogLines();
// Writes waiting lines to standard error, each as "zav: library: LINE".
void flushLogLines();
// "big delay found" lines so far: realignments of the two halves of a 64-channel set.
uint64_t realignmentCount();
// The reason of the last "recording stopped: REASON" line; empty when none came.
std::string recordingStopReason();

}  // namespace zav::cli

// Starting a helper program that outlives the call and is never waited for.
#pragma once

#include <string>
#include <vector>

namespace zav::platform {

// The file name of an executable: ".exe" appended on Windows, the name itself elsewhere.
std::string executableFileName(const std::string& baseName);

// Starts command (a path, or a name found through the program search path) with the given
// arguments, detached from this process; returns at once. Whether it started is not reported.
// An argument must not hold blanks or quotes: Windows joins them into one command line.
void startDetached(const std::string& command, const std::vector<std::string>& arguments = {});

}  // namespace zav::platform

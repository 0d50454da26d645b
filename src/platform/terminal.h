// Whether an output stream is a terminal, and switching a Windows console to the
// escape sequences that terminals elsewhere understand.
#pragma once

#include <cstdio>

namespace zav::platform {

bool isTerminal(std::FILE* stream);
// Enables ANSI escape sequences on the stream's console; false when not possible.
bool enableAnsi(std::FILE* stream);

}  // namespace zav::platform

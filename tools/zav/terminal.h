// Whether an output stream is a terminal that takes escape sequences (a Windows console
// is switched to them first): the live displays redraw in place only there.
#pragma once

#include <cstdio>

namespace zav::cli {

bool enableAnsi(std::FILE* stream);

}  // namespace zav::cli

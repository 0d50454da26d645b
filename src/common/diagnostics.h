// Diagnostic lines: the pieces written one after the other to standard output, then a
// line end and a flush. Every subsystem writes its lines through here so that the
// wording is easy to find and tests can capture it.
#pragma once

#include <iostream>

namespace zav::diag {

template <typename... Parts>
void line(const Parts&... parts) {
  std::ostream& out = std::cout;
  (out << ... << parts);
  out << '\n' << std::flush;
}

}  // namespace zav::diag

// Diagnostic lines: the pieces written one after the other, then a line end. Every
// subsystem writes its lines through here so that the wording is easy to find and tests
// can capture it. A line goes whole to the host's sink when one is set, else to standard
// output with a flush; lines from several threads never interleave.
#pragma once

#include <sstream>
#include <string>

namespace zav::diag {

// Receives one line without its line end; user is the pointer given with the sink.
using Sink = void (*)(const char* line, void* user);

// Null restores standard output.
void setSink(Sink sink, void* user);

// One finished line, without its line end.
void write(const std::string& text);

template <typename... Parts>
void line(const Parts&... parts) {
  std::ostringstream out;
  (out << ... << parts);
  write(out.str());
}

}  // namespace zav::diag

#include "log_relay.h"

#include <cstdio>
#include <mutex>

#include "zav/zav.h"

namespace zav::cli {

namespace {

const std::string kRealigned = "big delay found";
const std::string kRecordingStopped = "recording stopped: ";

struct Relay {
  std::mutex lock;
  std::vector<std::string> lines;
  uint64_t realignments = 0;
  std::string stopReason;
};

Relay& relay() {
  static Relay instance;
  return instance;
}

// Runs on any thread of the library, one line at a time.
void onLine(const char* line, void*) {
  Relay& r = relay();
  const std::lock_guard<std::mutex> hold(r.lock);
  // A marker code is a raw byte: shown as \xNN when it is no printable character.
  std::string text;
  for (const char* c = line == nullptr ? "" : line; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte >= 0x20 && byte < 0x7F) {
      text += *c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  if (text.rfind(kRealigned, 0) == 0) ++r.realignments;
  if (text.rfind(kRecordingStopped, 0) == 0) r.stopReason = text.substr(kRecordingStopped.size());
  r.lines.push_back(std::move(text));
}

}  // namespace

void installLogRelay() {
  zav_set_log_handler(onLine, nullptr);
}

std::vector<std::string> takeLogLines() {
  Relay& r = relay();
  const std::lock_guard<std::mutex> hold(r.lock);
  std::vector<std::string> lines;
  lines.swap(r.lines);
  return lines;
}

void flushLogLines() {
  for (const std::string& line : takeLogLines()) std::fprintf(stderr, "zav: library: %s\n", line.c_str());
  std::fflush(stderr);
}

uint64_t realignmentCount() {
  Relay& r = relay();
  const std::lock_guard<std::mutex> hold(r.lock);
  return r.realignments;
}

std::string recordingStopReason() {
  Relay& r = relay();
  const std::lock_guard<std::mutex> hold(r.lock);
  return r.stopReason;
}

}  // namespace zav::cli

#include "driver/identity.h"

namespace zav {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the digit run starting at i (i itself when there is none).
std::size_t digitsEnd(const std::string& text, std::size_t i) {
  while (i < text.size() && isDigit(text[i])) ++i;
  return i;
}

// A decimal that fits an int, kept modulo 2^16 as the 16-bit outputs are.
bool toNumber(const std::string& text, std::size_t begin, std::size_t end, uint16_t& value) {
  uint64_t number = 0;
  for (std::size_t i = begin; i < end; ++i) {
    number = number * 10 + static_cast<uint64_t>(text[i] - '0');
    if (number > 0x7FFFFFFF) return false;
  }
  value = static_cast<uint16_t>(number & 0xFFFF);
  return true;
}

}  // namespace

// Matched by hand, in one backward pass: a regular expression engine recurses once per
// character, and a long device answer would overflow a small host thread stack. The result
// is that of matching ".*HW([0-9]+)\.([0-9]+).*" against the whole text: the greedy lead
// makes the last occurrence win, and '.' does not cross a line end.
bool parseVersion(const std::string& identity, VersionPart part, uint16_t& major, uint16_t& minor) {
  if (identity.find_first_of("\r\n") != std::string::npos) return false;
  const char first = part == VersionPart::hardware ? 'H' : 'F';
  for (std::size_t at = identity.size(); at-- > 0;) {
    if (identity[at] != first || at + 1 >= identity.size() || identity[at + 1] != 'W') continue;
    const std::size_t majorBegin = at + 2;
    const std::size_t majorEnd = digitsEnd(identity, majorBegin);
    if (majorEnd == majorBegin || majorEnd >= identity.size() || identity[majorEnd] != '.') continue;
    const std::size_t minorEnd = digitsEnd(identity, majorEnd + 1);
    if (minorEnd == majorEnd + 1) continue;
    uint16_t parsedMajor = 0;
    uint16_t parsedMinor = 0;
    if (!toNumber(identity, majorBegin, majorEnd, parsedMajor) ||
        !toNumber(identity, majorEnd + 1, minorEnd, parsedMinor)) {
      return false;
    }
    major = parsedMajor;
    minor = parsedMinor;
    return true;
  }
  return false;
}

}  // namespace zav

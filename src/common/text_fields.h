// Text fields of device answers and record headers: numbers are read the way stream
// extraction reads an unsigned 16-bit value, with one rule for every caller.
//
//     text::readUnsigned16(" 250Hz")   // 250
//     text::readUnsigned16("fast")     // no number
//     text::readUnsigned16("70000")    // no number: beyond 16 bits
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zav::text {

// The blanks that stream extraction skips in the classic locale.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// True for an empty text and for one of blanks only.
inline bool isBlank(std::string_view text) {
  for (char c : text) {
    if (!isBlank(c)) return false;
  }
  return true;
}

// Leading blanks skipped, decimal digits up to the first non-digit. No digits, or a number
// beyond 16 bits, gives no number.
inline std::optional<uint16_t> readUnsigned16(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  const std::size_t first = i;
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    if (value > 0xFFFF) return std::nullopt;
  }
  if (i == first) return std::nullopt;
  return static_cast<uint16_t>(value);
}

}  // namespace zav::text

#include "driver/identity.h"

#include <regex>

namespace zav {

namespace {

// A decimal that fits an int, kept modulo 2^16 as the 16-bit outputs are.
bool toNumber(const std::string& digits, uint16_t& value) {
  uint64_t number = 0;
  for (char c : digits) {
    number = number * 10 + static_cast<uint64_t>(c - '0');
    if (number > 0x7FFFFFFF) return false;
  }
  value = static_cast<uint16_t>(number & 0xFFFF);
  return true;
}

}  // namespace

bool parseVersion(const std::string& identity, VersionPart part, uint16_t& major, uint16_t& minor) {
  static const std::regex hardware(".*HW([0-9]+)\\.([0-9]+).*");
  static const std::regex firmware(".*FW([0-9]+)\\.([0-9]+).*");
  std::smatch match;
  if (!std::regex_match(identity, match, part == VersionPart::hardware ? hardware : firmware)) return false;
  uint16_t parsedMajor = 0;
  uint16_t parsedMinor = 0;
  if (!toNumber(match[1].str(), parsedMajor) || !toNumber(match[2].str(), parsedMinor)) return false;
  major = parsedMajor;
  minor = parsedMinor;
  return true;
}

}  // namespace zav

// Version numbers from a device identity text such as "HW8.7_FW1.4".
#pragma once

#include <cstdint>
#include <string>

namespace zav {

enum class VersionPart { hardware, firmware };

// Finds "HW<major>.<minor>" (or "FW...") in the text, the last one when there are several;
// false when absent, when the text holds a line end, or when a number does not fit an int.
// Numbers are kept modulo 2^16; major and minor are written only on success. Linear in the
// text's length, with constant stack.
bool parseVersion(const std::string& identity, VersionPart part, uint16_t& major, uint16_t& minor);

}  // namespace zav

// Folder names as the device's SD card expects them.
#pragma once

#include <string>

namespace zav {

// Drops leading "./", collapses "//" and turns every "/" into a backslash:
// "./data//run1/" becomes "data\run1\".
std::string normaliseSdFolder(std::string folder);

}  // namespace zav

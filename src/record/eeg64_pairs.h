// Which records of a two-device set belong together. Each device records to its own card
// under a name that holds the shared base name and the side letter ("rec_l", "rec_r");
// a left and a right record pair up when their names agree but for the last character.
//
//     recordNamesFor(leftFolder, "rec", "l");            // {"rec_l"} for 0_rec_l.bin, 1_rec_l.bin
//     for (const Eeg64Pair& pair : eeg64Pairs(leftFolder, rightFolder, "rec")) ... pair.common ...
#pragma once

#include <set>
#include <string>
#include <vector>

namespace zav {

constexpr const char* kLeftSide = "l";
constexpr const char* kRightSide = "r";

// The record names in folder that hold name's stem (name without its extension) and,
// when side is not empty, whose entry name holds side anywhere: each entry's name
// without its extension, from the stem on. Ordered byte-wise.
std::set<std::string> recordNamesFor(const std::string& folder, const std::string& name,
                                     const std::string& side);

struct Eeg64Pair {
  std::string left;    // record name on the left card
  std::string right;   // record name on the right card
  std::string common;  // both names without their last character
};

// Every left name with every right name that shares its common part, left names in
// ascending order, then right names.
std::vector<Eeg64Pair> eeg64Pairs(const std::string& leftFolder, const std::string& rightFolder,
                                  const std::string& baseName);

}  // namespace zav

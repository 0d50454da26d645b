// The versions in the device's identity answer.
#include "driver/identity.h"

#include <gtest/gtest.h>

#include <string>

namespace zav {
namespace {

struct VersionCase {
  std::string identity;
  bool found;
  uint16_t major, minor;
};

void expectVersion(VersionPart part, const VersionCase& c) {
  uint16_t major = 99, minor = 99;
  EXPECT_EQ(parseVersion(c.identity, part, major, minor), c.found) << c.identity.substr(0, 40);
  EXPECT_EQ(major, c.found ? c.major : 99) << c.identity.substr(0, 40);
  EXPECT_EQ(minor, c.found ? c.minor : 99) << c.identity.substr(0, 40);
}

TEST(ParseVersion, MatchesTheWholeTextWithTheLastOccurrenceWinning) {
  const VersionCase hardware[] = {
      {"ABC_HW3.12_FW1.7", true, 3, 12},
      {"HW1.2 HW3.4x", true, 3, 4},  // the greedy lead takes the last one
      {"HW1.2 HW3.", true, 1, 2},    // a last one without a minor does not count
      {"HW70000.1", true, 70000 & 0xFFFF, 1},
      {"HW3_FW1.7", false, 0, 0},
      {"", false, 0, 0},
      {"HW1.2\n", false, 0, 0},               // '.' stops at a line end
      {"HW1.2 HW9999999999.1", false, 0, 0},  // the last one does not fit an int
  };
  for (const VersionCase& c : hardware) expectVersion(VersionPart::hardware, c);
  expectVersion(VersionPart::firmware, {"ABC_HW3.12_FW1.7", true, 1, 7});
  expectVersion(VersionPart::firmware, {"HW3.12", false, 0, 0});
}

// A regular expression engine recursed once per character here and overflowed the stack
// of a host thread on a long answer; a megabyte would overflow even a main thread's.
TEST(ParseVersion, LongIdentitiesNeedNoDeepStack) {
  const std::string padding(6000, 'x');
  expectVersion(VersionPart::firmware, {"HW1.2_FW3.4" + padding, true, 3, 4});
  expectVersion(VersionPart::hardware, {padding + "HW5.6" + padding, true, 5, 6});
  const std::string huge(1 << 20, 'H');
  expectVersion(VersionPart::hardware, {huge + "HW7.8" + huge, true, 7, 8});
  expectVersion(VersionPart::firmware, {huge, false, 0, 0});
}

}  // namespace
}  // namespace zav

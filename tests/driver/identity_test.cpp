#include "driver/identity.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace zav {
namespace {

// Expects the version, or, when none is found, the outputs left as they were.
void expectVersion(VersionPart part, const std::string& identity, bool found, uint16_t major = 99,
                   uint16_t minor = 99) {
  std::pair<uint16_t, uint16_t> version{99, 99};
  EXPECT_EQ(parseVersion(identity, part, version.first, version.second), found) << identity.substr(0, 40);
  EXPECT_EQ(version, std::make_pair(major, minor)) << identity.substr(0, 40);
}

TEST(ParseVersion, MatchesTheWholeTextWithTheLastOccurrenceWinning) {
  expectVersion(VersionPart::hardware, "ABC_HW3.12_FW1.7", true, 3, 12);
  expectVersion(VersionPart::hardware, "HW1.2 HW3.4x", true, 3, 4);  // the greedy lead takes the last one
  expectVersion(VersionPart::hardware, "HW1.2 HW3.", true, 1, 2);    // a last one lacking its minor is none
  expectVersion(VersionPart::hardware, "HW70000.1", true, 70000 & 0xFFFF, 1);
  expectVersion(VersionPart::hardware, "HW3_FW1.7", false);
  expectVersion(VersionPart::hardware, "", false);
  expectVersion(VersionPart::hardware, "HW1.2\n", false);               // '.' stops at a line end
  expectVersion(VersionPart::hardware, "HW1.2 HW9999999999.1", false);  // the last one does not fit an int
  expectVersion(VersionPart::firmware, "ABC_HW3.12_FW1.7", true, 1, 7);
  expectVersion(VersionPart::firmware, "HW3.12", false);
}

// A regular expression recursing per character overflowed a host thread's stack here; 1 MB a main thread's.
TEST(ParseVersion, LongIdentitiesNeedNoDeepStack) {
  const std::string padding(6000, 'x');
  expectVersion(VersionPart::firmware, "HW1.2_FW3.4" + padding, true, 3, 4);
  expectVersion(VersionPart::hardware, padding + "HW5.6" + padding, true, 5, 6);
  const std::string huge(1 << 20, 'H');
  expectVersion(VersionPart::hardware, huge + "HW7.8" + huge, true, 7, 8);
  expectVersion(VersionPart::firmware, huge, false);
}

}  // namespace
}  // namespace zav

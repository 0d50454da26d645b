#include "record/record_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace zav {
namespace {

TEST(RecordFiles, NamesThatWouldBacktrackForMinutesAreRefusedAtOnce) {
  test::TempFolder folder;
  const std::string trap = "0_" + std::string(40, 'a');  // no 'c': every way of splitting is tried
  test::writeFile(folder / trap, "");
  test::writeFile(folder / "0_take.bin", "");
  test::writeFile(folder / "0_t+ke", "");  // '+' rather than '*', which Windows file names cannot hold

  const std::vector<std::string> traps = {"(a|a)*c",   "(a+)+c",    "a*a*a*c",
                                          "a{2}a?a+c", "a{100000}", std::string(256, 'a')};
  for (const std::string& name : traps) {
    bool valid = true;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(findRecordFiles(folder.path(), name, valid).empty()) << name;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "record name too complex: " + name + "\n");
    EXPECT_FALSE(valid) << name;
  }

  // Plain names, escapes, classes and up to two repetitions still work as patterns.
  const std::pair<std::string, std::size_t> usable[] = {
      {"take", 1}, {"t.ke", 2},           {"t\\+ke", 1},  {"t[*+?(){}]ke", 1},
      {"a*a+", 1}, {"(?:take|t.ke)$", 1}, {"a{2,40}", 1}, {"t.*?e", 2}};
  for (const auto& [name, count] : usable) {
    bool valid = false;
    EXPECT_EQ(findRecordFiles(folder.path(), name, valid).size(), count) << name;
    EXPECT_TRUE(valid) << name;
  }
}

}  // namespace
}  // namespace zav

#include "record/record_catalog.h"

#include <gtest/gtest.h>

#include "record/import_fixture.h"
#include "record/record_files.h"

namespace zav::test {
namespace {

TEST(RecordCatalog, GroupsRecordFilesByRecordWithWhatTheirHeadersSayAndEmptyHeadersForWhatCannotBeRead) {
  TempFolder folder;
  // 9 + 2 x 3 x 8 + 1 = 58 bytes a block; GSR is off and takes none.
  RecordWriter walk({{"EEG", 2, 3, 8, 1}, {"DIN", 1, 1, 1, 1}, {"GSR", 2, 1, 1, 0}}, 32, "session");
  writeFile(folder / "10_walk.bin", walk.file(sequenceRun(764, 32), valuesOf));
  writeFile(folder / "2_walk.bin", walk.file(sequenceRun(700, 64), valuesOf));
  writeRecordFile(folder, "0_rest", sequenceRun(0, 301));  // 15 bytes a block
  writeFile(folder / "notes.txt", std::string("only text") + '\0' + "70000" + '\0');
  writeFile(folder / "x_rest.bin", "not numbered");
  // Numbered like records, without a record's header.
  writeFile(folder / "1_notes.txt", "not a record");
  const std::string zero(1, '\0');
  writeFile(folder / "1_rest.csv",
            "text" + zero + "32" + zero + "EEG  , 08, 03, 08, 01" + zero + "no blocks");

  const std::vector<RecordSummary> records = listRecords(folder.path());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "rest");
  EXPECT_EQ(records[0].blockCount, 301u);  // as the import reads them, not at an even size
  EXPECT_EQ(records[1].name, "walk");
  EXPECT_EQ(records[1].blockCount, 96u);                 // both files, the first one first
  EXPECT_EQ(records[1].header.signals, walk.signals());  // without the SD card's entry
  EXPECT_EQ(records[1].header.firstSequence, 700);

  EXPECT_TRUE(listRecords(folder / "missing").empty());
  EXPECT_TRUE(readRecordHeader(folder / "0_none.bin").signals.empty());
  const RecordHeader text = readRecordHeader(folder / "notes.txt");
  EXPECT_EQ(text.frequency, 0);  // beyond 16 bits
  EXPECT_EQ(text.blockCount, 0u);
}

TEST(RecordFiles, NamesThatWouldBacktrackForMinutesAreRefusedAtOnce) {
  TempFolder folder;
  const std::string trap = "0_" + std::string(40, 'a');  // no 'c': every way of splitting is tried
  writeFile(folder / trap, "");
  writeFile(folder / "0_take.bin", "");
  writeFile(folder / "0_t+ke", "");  // '+' rather than '*', which Windows file names cannot hold

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
}  // namespace zav::test

#include "record/record_catalog.h"

#include <gtest/gtest.h>

#include "record/import_fixture.h"

namespace zav {
namespace {

using test::sequenceRun;
using test::TempFolder;

TEST(RecordCatalog, GroupsRecordFilesByRecordWithTheirLengthAndSignals) {
  TempFolder folder;
  test::RecordWriter eeg({{"EEG", 2, 3, 8, 1}, {"DIN", 1, 1, 1, 1}}, 32, "session");  // 58 bytes a block
  const auto values = [](uint16_t) { return std::vector<double>(17, 0.0); };
  test::writeFile(folder / "10_walk.bin", eeg.file(sequenceRun(64, 32), values));
  test::writeFile(folder / "2_walk.bin", eeg.file(sequenceRun(0, 64), values));
  test::writeRecordFile(folder, "0_rest", sequenceRun(0, 301));  // 15 bytes a block
  test::writeFile(folder / "notes.txt", "not a record");
  test::writeFile(folder / "x_rest.bin", "not numbered");
  // Numbered like records, without a record's header.
  test::writeFile(folder / "1_notes.txt", "not a record");
  test::writeFile(folder / "1_rest.csv", std::string("text\0" "32\0" "EEG  , 08, 03, 08, 01\0no blocks", 39));

  const std::vector<RecordSummary> records = listRecords(folder.path());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "rest");
  EXPECT_EQ(records[0].files.size(), 1u);
  EXPECT_EQ(records[0].blockCount, 301u);  // as the import reads them, not at an even size
  EXPECT_EQ(records[1].name, "walk");
  ASSERT_EQ(records[1].files.size(), 2u);
  EXPECT_EQ(records[1].files[0].filename().string(), "2_walk.bin");
  EXPECT_EQ(records[1].blockCount, 96u);
  EXPECT_DOUBLE_EQ(records[1].seconds(), 3.0);
  EXPECT_EQ(records[1].header.description, "session");
  EXPECT_EQ(records[1].header.signals.size(), 2u);

  EXPECT_TRUE(listRecords(folder / "missing").empty());
}

}  // namespace
}  // namespace zav

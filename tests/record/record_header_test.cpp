#include "record/record_header.h"

#include <gtest/gtest.h>

#include "support/record_writer.h"
#include "support/temp_folder.h"

namespace zav {
namespace {

using test::RecordWriter;
using test::TempFolder;

std::vector<double> zeros(uint16_t) {
  return std::vector<double>(2, 0.0);
}

TEST(RecordHeader, ReadsTheFieldsAndCountsTheBlocksTheImportReads) {
  TempFolder folder;
  // 9 + 2 x 1 x 1 = 11 bytes a block, back to back (a card that pads them is counted in
  // the damaged-record tests).
  RecordWriter writer({{"DIN", 2, 1, 1, 1}, {"GSR", 2, 1, 1, 0}}, 512, "left hand");
  const std::string bytes = writer.file(test::sequenceRun(700, 11), zeros);
  test::writeFile(folder / "0_rec.bin", bytes);
  const RecordHeader header = readRecordHeader(folder / "0_rec.bin");
  EXPECT_EQ(header.description, "left hand");
  EXPECT_EQ(header.frequency, 512);
  ASSERT_EQ(header.signals.size(), 2u);  // the SD-card entry is removed
  EXPECT_EQ(header.signals[0], SignalInfo("DIN", 2, 1, 1, 1));
  EXPECT_EQ(header.signals[1], SignalInfo("GSR", 2, 1, 1, 0));
  EXPECT_EQ(recordBlockBytes(header.signals), 11u);
  EXPECT_EQ(header.blockCount, 11u);
  EXPECT_EQ(header.firstSequence, 700);
  EXPECT_FALSE(header.layout.present);
}

TEST(RecordHeader, GivesAnEmptyHeaderForWhatCannotBeRead) {
  TempFolder folder;
  const RecordHeader missing = readRecordHeader(folder / "0_none.bin");
  EXPECT_TRUE(missing.signals.empty());
  EXPECT_EQ(missing.frequency, 0);
  EXPECT_EQ(missing.blockCount, 0u);

  test::writeFile(folder / "0_text.bin", std::string("only text", 9) + '\0' + "70000" + '\0');
  const RecordHeader text = readRecordHeader(folder / "0_text.bin");
  EXPECT_EQ(text.description, "only text");
  EXPECT_EQ(text.frequency, 0);  // beyond 16 bits
  EXPECT_EQ(text.firstSequence, 0);
  EXPECT_EQ(text.blockCount, 0u);
}

}  // namespace
}  // namespace zav

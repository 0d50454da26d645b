// Records as damaged cards leave them: every block intact on the card must come through,
// and a damaged block may cost only itself.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "record/import_fixture.h"

namespace zav {
namespace {

using test::importRecord;
using test::integerRecord;
using test::RecordWriter;
using test::sequenceRun;
using test::TempFolder;
using test::valuesOf;
using Sequences = std::vector<uint16_t>;

constexpr std::size_t kBlock = 15;  // bytes of an integerRecord() block

// A record of blocks 0 .. count-1 with battery 3700 and flags 2, as one string.
std::string recordBytes(std::size_t count) {
  const RecordWriter writer = integerRecord();
  std::string bytes = writer.header();
  for (uint16_t sequence : sequenceRun(0, count))
    bytes += writer.block(sequence, valuesOf(sequence), 3700, 2);
  return bytes;
}

std::size_t blockStart(std::size_t index) {
  return integerRecord().header().size() + index * kBlock;
}

test::Imported importBytes(const std::string& bytes) {
  TempFolder folder;
  test::writeFile(folder / "0_rec.bin", bytes);
  return importRecord(folder.string(), "rec");
}

void expectIntactExcept(const test::Imported& imported, std::size_t count,
                        const std::set<uint16_t>& damaged) {
  EXPECT_EQ(imported.sequences(), sequenceRun(0, count));
  for (const test::Passed& block : imported.blocks) {
    if (damaged.count(block.sequence) != 0) continue;
    EXPECT_FALSE(block.invalid) << block.sequence;
    EXPECT_EQ(block.data, valuesOf(block.sequence)) << block.sequence;
  }
}

TEST(DamagedRecord, AChangedOrLostByteCostsOnlyItsBlock) {
  struct Case {
    const char* name;
    std::string bytes;
    bool filler;  // the block is passed on as a filler rather than as read
  };
  const std::string record = recordBytes(10);
  const Case cases[] = {
      {"changed payload byte", test::withChangedByte(record, blockStart(4) + 9), false},
      // A damaged sequence number costs no fillers: far away, and onto the next block's number.
      {"sequence number far away", test::withChangedByte(record, blockStart(4) + 3, 0x80), true},
      {"sequence number onto the next", test::withChangedByte(record, blockStart(4) + 3, 0x01), true},
      {"lost payload byte", test::withLostByte(record, blockStart(4) + 10), true},
      {"lost checksum", test::withLostByte(record, blockStart(4) + kBlock - 1), true},
      {"lost start byte", test::withLostByte(record, blockStart(4)), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto imported = importBytes(c.bytes);
    EXPECT_TRUE(imported.result);
    expectIntactExcept(imported, 10, {4});
    EXPECT_EQ(imported.invalidSequences(), (Sequences{4}));
    EXPECT_EQ(imported.output, "");
    const test::Passed& damaged = imported.blocks[4];
    EXPECT_TRUE(test::allNaN(damaged.data));
    // A block read with a bad checksum keeps its header words as read.
    EXPECT_EQ(damaged.battery, c.filler ? 0 : 3700);
    EXPECT_EQ(damaged.flags, c.filler ? 0 : 2);
  }
}

TEST(DamagedRecord, StartBytesInsidePayloadsAreNotTakenForBlocks) {
  // Every payload holds 0xAA 0x55 twice: channel 1 is 0xAA55AA as a 24-bit number.
  const RecordWriter writer = integerRecord();
  const double startBytes = static_cast<double>(0xAA55AA) - 0x1000000;
  std::string bytes = writer.header();
  for (uint16_t sequence : sequenceRun(0, 40)) bytes += writer.block(sequence, {startBytes, -1.0 - sequence});
  for (const std::size_t block : {3u, 17u, 30u}) {
    bytes = test::withLostByte(bytes, writer.header().size() + block * kBlock - (block - 3) / 14);
  }
  const auto imported = importBytes(bytes);
  EXPECT_TRUE(imported.result);
  EXPECT_EQ(imported.sequences(), sequenceRun(0, 40));
  EXPECT_LE(imported.invalidSequences().size(), 3u);
  EXPECT_EQ(imported.output, "");
}

TEST(DamagedRecord, BytesBetweenBlocksAndPaddedBlocksAreSkipped) {
  std::string bytes = recordBytes(20);
  bytes.insert(blockStart(7), "\x01\xAA\x55\x00\x07", 5);
  bytes.insert(blockStart(3), 40, '\xAA');
  const auto imported = importBytes(bytes);
  expectIntactExcept(imported, 20, {});
  EXPECT_EQ(imported.output, "");

  RecordWriter padded = integerRecord();
  padded.setPadOddBlocks(true);
  TempFolder folder;
  test::writeFile(folder / "0_rec.bin", padded.file(sequenceRun(0, 30), valuesOf));
  EXPECT_EQ(Importer(folder.string(), "rec").blockCount(), 30u);
  expectIntactExcept(importRecord(folder.string(), "rec"), 30, {});
}

TEST(DamagedRecord, ManyRandomFaultsCostAtMostTheDamagedBlocks) {
  std::mt19937 random(7);
  std::string bytes = recordBytes(2000);
  std::set<uint16_t> damaged;
  std::size_t removed = 0;  // bytes lost so far, all before the next fault
  for (std::size_t block = 10; block < 1990; block += 10 + random() % 30) {
    const std::size_t offset = blockStart(block) - removed + random() % kBlock;
    if (random() % 2 == 0) {
      bytes = test::withLostByte(bytes, offset);
      ++removed;
    } else {
      bytes = test::withChangedByte(bytes, offset, static_cast<uint8_t>(1u << (random() % 8)));
    }
    damaged.insert(static_cast<uint16_t>(block));
  }
  const auto imported = importBytes(bytes);
  EXPECT_TRUE(imported.result);
  expectIntactExcept(imported, 2000, damaged);
  EXPECT_LE(imported.invalidSequences().size(), damaged.size());
  EXPECT_EQ(imported.output, "");
}

TEST(DamagedRecord, AFileWithoutBlocksFailsTheImport) {
  TempFolder folder;
  test::writeRecordFile(folder, "0_rec.bin", sequenceRun(0, 5));
  test::writeFile(folder / "1_rec.bin", integerRecord().header());
  test::writeRecordFile(folder, "2_rec.bin", sequenceRun(5, 5));
  const auto imported = importRecord(folder.string(), "rec");
  EXPECT_FALSE(imported.result);
  EXPECT_EQ(imported.sequences(), sequenceRun(0, 5));  // the first file went through
  EXPECT_EQ(imported.output, "cannot skip header\nerror importing multiple files\n");

  TempFolder oversized;
  // A signal list that claims more than any device sends.
  RecordWriter huge({{"EEG", 99, 99, 99, 1}});
  test::writeFile(oversized / "0_rec.bin", huge.header() + std::string(100, '\xAA'));
  const auto refused = importRecord(oversized.string(), "rec");
  EXPECT_FALSE(refused.result);
  EXPECT_EQ(refused.output, "block too large in " + (oversized / "0_rec.bin").string() +
                                "\nerror importing multiple files\n");
}

}  // namespace
}  // namespace zav

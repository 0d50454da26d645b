// A record's import: file selection and order, gaps, repeats, the 16-bit wrap, damage costing only itself.
#include "record/importer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>

#include "record/import_fixture.h"

namespace zav::test {
namespace {

using Sequences = std::vector<uint16_t>;

// A whole import of sequences, every block as written but for those in damaged, which may be fillers (NaN).
void expectImported(const Imported& imported, const Sequences& sequences, const std::set<uint16_t>& damaged,
                    const std::string& output = "") {
  EXPECT_TRUE(imported.result);
  EXPECT_EQ(imported.sequences(), sequences);
  EXPECT_EQ(imported.output, output);
  for (const BaseImporter::Block& block : imported.blocks) {
    if (block.invalid) {
      EXPECT_TRUE(damaged.count(block.sequence) != 0 && std::isnan(block.data.at(0))) << block.sequence;
    } else {
      EXPECT_EQ(block.data, valuesOf(block.sequence)) << block.sequence;
    }
  }
}

TEST(Importer, SelectsFilesByRegularExpressionSearch) {
  TempFolder folder;
  for (const char* name : {"x0_rec", "a3_recording", "0_rxc.bin", "rec.bin", "0-rec.bin", "7_REC.bin"})
    writeRecordFile(folder, name, {1});
  EXPECT_EQ(Importer(folder.string(), "rec").files(),
            (std::vector<std::filesystem::path>{folder / "x0_rec", folder / "a3_recording"}));

  testing::internal::CaptureStdout();
  Importer broken(folder.string(), "rec(");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid record name rec(\n");
  EXPECT_FALSE(broken.validName());
  EXPECT_TRUE(broken.files().empty());
  EXPECT_TRUE(Importer((folder / "missing").string(), "rec").files().empty());
}

TEST(Importer, PassesBlocksOnInFileAndSequenceOrderWithFillersForGapsOnceEachAcrossTheWrap) {
  Sequences repeated = sequenceRun(0, 331);
  repeated.insert(repeated.begin() + 5, 3);
  Sequences late = sequenceRun(65000, 400);
  late.insert(late.end(), {65010, 65400});  // 390 places late, 80 places after it was passed
  Sequences lateAtWrap = sequenceRun(65500, 400);
  lateAtWrap.push_back(65530);  // never filled up to 65,000 numbers later
  // Files 0, 1, 2, ..., 10, 11 rather than 0, 1, 10, 11, 2, ..., each longer than the window.
  std::vector<Sequences> numbered;
  for (uint16_t first = 0; first < 6000; first += 500) numbered.push_back(sequenceRun(first, 500));
  struct Case {
    const char* name;
    std::vector<Sequences> files;
    Sequences sequences, invalid;
    std::string output;
  };
  const Case cases[] = {
      {"files in the order of their numbers", numbered, sequenceRun(0, 6000), {}, ""},
      {"gaps", {{5, 4, 6, 10, 14}}, {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, {7, 8, 9, 11, 12, 13}, ""},
      // 65535 arrives late but still inside the window; 0 is missing, 3 and 4 between the files.
      {"wrap", {{65533, 65534, 1, 2, 65535}, {5, 6}}, sequenceRun(65533, 10), {0, 3, 4}, ""},
      // 3 comes again while its first copy waits; 330 ends file 0 and starts file 1: just after it passed.
      {"repeats", {repeated, {330, 331}}, sequenceRun(0, 332), {}, "3: Repeated!!\n330: Repeated!!\n"},
      {"late", {late}, sequenceRun(65000, 401), {}, "65010: Late block dropped\n"},
      {"late at the wrap", {lateAtWrap}, sequenceRun(65500, 400), {}, "65530: Late block dropped\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    for (std::size_t i = 0; i < c.files.size(); ++i)
      writeRecordFile(folder, std::to_string(i) + "_rec.bin", c.files[i]);
    const auto imported = importRecord(folder.string(), "rec");
    expectImported(imported, c.sequences, {c.invalid.begin(), c.invalid.end()}, c.output);
    EXPECT_EQ(imported.invalidSequences(), c.invalid);
  }
}

TEST(Importer, StopsWhenACallbackDeclines) {
  TempFolder folder;
  writeRecordFile(folder, "0_rec.bin", sequenceRun(0, 3));
  writeRecordFile(folder, "0_long.bin", sequenceRun(0, 400));
  for (const auto& [name, message] :
       {std::pair<std::string, std::string>{"rec", "error processing pending block\n"},
        {"long", "error processing block\n"}}) {
    Importer importer(folder.string(), name);
    int calls = 0, laterCalls = 0;
    importer.addCallback([&](const BaseImporter::Block&) { return ++calls > 1; });
    importer.addCallback([&](const BaseImporter::Block&) { return ++laterCalls > 0; });
    testing::internal::CaptureStdout();
    EXPECT_FALSE(importer.importAll());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message + "error importing multiple files\n");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(laterCalls, 0);
  }
}

constexpr std::size_t kBlock = 15;  // bytes of an integerRecord() block

std::string recordBytes(std::size_t count, bool padded = false) {
  RecordWriter writer = integerRecord();
  writer.setPadOddBlocks(padded);
  std::string bytes = writer.header();
  for (uint16_t sequence : sequenceRun(0, count))
    bytes += writer.block(sequence, valuesOf(sequence), 3700, 2);
  return bytes;
}

std::size_t blockStart(std::size_t index) {
  return integerRecord().header().size() + index * kBlock;
}

Imported importBytes(const std::string& bytes) {
  TempFolder folder;
  writeFile(folder / "0_rec.bin", bytes);
  return importRecord(folder.string(), "rec");
}

TEST(DamagedRecord, AChangedOrLostByteCostsOnlyItsBlockAndBytesBetweenBlocksNothing) {
  struct Case {
    const char* name;
    std::string bytes;
    Sequences invalid;
    bool filler;  // the damaged block is passed on as a filler rather than as read
  };
  const std::string record = recordBytes(10);
  std::string between = record;
  between.insert(blockStart(7), "\x01\xAA\x55\x00\x07", 5);
  between.insert(blockStart(3), 40, '\xAA');
  const Case cases[] = {
      {"changed payload byte", withChangedByte(record, blockStart(4) + 9), {4}, false},
      // A damaged sequence number costs no fillers: far away, and onto the next block's number.
      {"sequence number far away", withChangedByte(record, blockStart(4) + 3, 0x80), {4}, true},
      {"sequence number onto the next", withChangedByte(record, blockStart(4) + 3, 0x01), {4}, true},
      {"lost payload byte", withLostByte(record, blockStart(4) + 10), {4}, true},
      {"lost checksum", withLostByte(record, blockStart(4) + kBlock - 1), {4}, true},
      {"lost start byte", withLostByte(record, blockStart(4)), {4}, true},
      {"bytes between blocks", between, {}, false},
      {"padded blocks", recordBytes(10, true), {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto imported = importBytes(c.bytes);
    expectImported(imported, sequenceRun(0, 10), {c.invalid.begin(), c.invalid.end()});
    EXPECT_EQ(imported.invalidSequences(), c.invalid);
    // A block read with a bad checksum keeps its header words as read.
    EXPECT_EQ(imported.blocks[4].battery, c.filler ? 0 : 3700);
    EXPECT_EQ(imported.blocks[4].flags, c.filler ? 0 : 2);
  }
  TempFolder padded;
  writeFile(padded / "0_rec.bin", recordBytes(10, true));
  EXPECT_EQ(Importer(padded.string(), "rec").blockCount(), 10u);
}

TEST(DamagedRecord, StartBytesInsidePayloadsAreNotTakenForBlocks) {
  // Every payload holds 0xAA 0x55 twice: channel 1 is 0xAA55AA as a 24-bit number.
  const RecordWriter writer = integerRecord();
  const double startBytes = static_cast<double>(0xAA55AA) - 0x1000000;
  std::string bytes = writer.header();
  for (uint16_t sequence : sequenceRun(0, 40)) bytes += writer.block(sequence, {startBytes, -1.0 - sequence});
  for (const std::size_t block : {3u, 17u, 30u})
    bytes = withLostByte(bytes, writer.header().size() + block * kBlock - (block - 3) / 14);
  const auto imported = importBytes(bytes);
  EXPECT_TRUE(imported.result);
  EXPECT_EQ(imported.sequences(), sequenceRun(0, 40));
  EXPECT_LE(imported.invalidSequences().size(), 3u);
  EXPECT_EQ(imported.output, "");
}

TEST(DamagedRecord, ManyRandomFaultsCostAtMostTheDamagedBlocks) {
  std::mt19937 random(7);
  std::string bytes = recordBytes(2000);
  std::set<uint16_t> damaged;
  std::size_t removed = 0;  // bytes lost so far, all before the next fault
  for (std::size_t block = 10; block < 1990; block += 10 + random() % 30) {
    const std::size_t offset = blockStart(block) - removed + random() % kBlock;
    if (random() % 2 == 0) {
      bytes = withLostByte(bytes, offset);
      ++removed;
    } else {
      bytes = withChangedByte(bytes, offset, static_cast<uint8_t>(1u << (random() % 8)));
    }
    damaged.insert(static_cast<uint16_t>(block));
  }
  expectImported(importBytes(bytes), sequenceRun(0, 2000), damaged);
}

TEST(DamagedRecord, AFileWithoutBlocksOrWithTooLargeBlocksFailsTheImport) {
  TempFolder folder, oversized;
  writeRecordFile(folder, "0_rec.bin", sequenceRun(0, 5));
  writeFile(folder / "1_rec.bin", integerRecord().header());
  writeRecordFile(folder, "2_rec.bin", sequenceRun(5, 5));
  // A signal list that claims more than any device sends.
  writeFile(oversized / "0_rec.bin",
            RecordWriter({{"EEG", 99, 99, 99, 1}}).header() + std::string(100, '\xAA'));
  const std::tuple<const TempFolder*, Sequences, std::string> cases[] = {
      {&folder, sequenceRun(0, 5), "cannot skip header\n"},  // the first file went through
      {&oversized, {}, "block too large in " + (oversized / "0_rec.bin").string() + "\n"}};
  for (const auto& [at, sequences, message] : cases) {
    const auto imported = importRecord(at->string(), "rec");
    EXPECT_FALSE(imported.result);
    EXPECT_EQ(imported.sequences(), sequences);
    EXPECT_EQ(imported.output, message + "error importing multiple files\n");
  }
}

}  // namespace
}  // namespace zav::test

#include "record/eeg64_importer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "multi/alignment.h"
#include "record/eeg64_pairs.h"
#include "record/eeg64_records.h"
#include "record/importer.h"
#include "support/temp_folder.h"

namespace zav::test {
namespace {

const RecordWriter kLeft = eeg64SideWriter("left");
const RecordWriter kRight = eeg64SideWriter("right");

struct Merged {
  std::size_t blocks = 0;
  uint16_t first = 0, last = 0;
  uint64_t digest = 1469598103934665603ull;
  std::set<uint16_t> batteries, flags;
  bool increasing = true;
  // Right EEG channel c is left channel c + 10 at the same shared-clock sample; the last equals it.
  bool aligned = true;
  std::string output;

  void add(const BaseImporter::Block& block) {
    increasing = increasing && (blocks == 0 || block.sequence > last);
    if (blocks++ == 0) first = block.sequence;
    last = block.sequence;
    batteries.insert(block.battery);
    flags.insert(block.flags);
    hash(static_cast<uint64_t>(block.sequence) << 32 | static_cast<uint64_t>(block.battery) << 16 |
         block.flags);
    for (const double value : block.data) {
      uint64_t bits = 0;
      std::memcpy(&bits, &value, sizeof bits);
      hash(bits);
    }
    for (std::size_t i = 0; i < 32 * 8; ++i) {
      const double offset = block.data[32 * 8 + i] - block.data[i];
      aligned = aligned && std::fabs(offset - (i / 8 == 31 ? 0.0 : 10.0)) < 0.05;
    }
  }
  void hash(uint64_t word) { digest = (digest ^ word) * 1099511628211ull; }
  bool operator==(const Merged& other) const { return blocks == other.blocks && digest == other.digest; }
};

Merged importMerged(const TempFolder& left, const TempFolder& right, const std::string& base) {
  Merged merged;
  Eeg64Importer importer(left.string(), right.string(), base);
  importer.addCallback([&](const BaseImporter::Block& block) {
    merged.add(block);
    return true;
  });
  testing::internal::CaptureStdout();
  EXPECT_TRUE(importer.importAll());
  merged.output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(importer.firstSequence(), merged.first);
  return merged;
}

// The merge as plainly as it can be written: both sides loaded whole, then paired by position.
Merged loadEverythingMerge(const TempFolder& left, const TempFolder& right, const std::string& base) {
  const auto load = [&](const TempFolder& folder, const char* side) {
    std::vector<BaseImporter::Block> blocks;
    for (const std::string& name : recordNamesFor(folder.string(), base, side)) {
      Importer importer(folder.string(), name);
      importer.addCallback([&](const BaseImporter::Block& block) {
        blocks.push_back(block);
        return true;
      });
      importer.importAll();
    }
    return blocks;
  };
  testing::internal::CaptureStdout();
  const std::vector<BaseImporter::Block> leftBlocks = load(left, "l");
  const std::vector<BaseImporter::Block> rightBlocks = load(right, "r");
  const SignalList l = Importer(left.string(), *recordNamesFor(left.string(), base, "l").begin()).signals();
  const SignalList r = Importer(right.string(), *recordNamesFor(right.string(), base, "r").begin()).signals();
  const SignalList signals = mergedEeg64Signals(l, r);
  SideBuffer leftBuffer, rightBuffer;
  bool synchronized = false;
  uint8_t lastCode = 0;
  Merged merged;
  for (std::size_t i = 0; i < std::min(leftBlocks.size(), rightBlocks.size()); ++i) {
    BaseImporter::Block out{0, 0xFFFF, 0, std::vector<double>(valuesPerBlock(signals), NAN), false};
    for (const auto& [block, buffer, list] :
         {std::tie(leftBlocks[i], leftBuffer, l), std::tie(rightBlocks[i], rightBuffer, r)}) {
      if (block.invalid) continue;
      buffer.push(block.data, list, block.sequence);
      out.battery = std::min(out.battery, block.battery);
      out.flags = std::max(out.flags, block.flags);
    }
    synchronizationStep(leftBuffer, rightBuffer, synchronized, lastCode);
    if (!leftBuffer.isReady(l) || !rightBuffer.isReady(r)) continue;
    out.sequence = leftBuffer.currentSequence();
    if (!synchronized) continue;
    merge(leftBuffer, rightBuffer, signals, out.data);
    if (std::none_of(out.data.begin(), out.data.end(), [](double v) { return std::isnan(v); }))
      merged.add(out);
  }
  testing::internal::GetCapturedStdout();
  return merged;
}

TEST(Eeg64Import, NamesRecordsByStemSideLetterAndPositionAndNeedsOneOnBothSides) {
  TempFolder folder;
  for (const char* name : {"0_cal_x.bin", "1_rec_l.bin", "0_a.cal", "2_rec_l.v2.bin"})
    writeFile(folder / name, "");
  const std::tuple<const char*, const char*, std::set<std::string>> cases[] = {
      {"cal", "l", {"cal_x"}},  // a side letter anywhere in the entry name
      {"cal.txt", "", {"cal_x"}},
      {"cal", "r", {}},
      {"rec", "l", {"rec_l", "rec_l.v2"}}};
  for (const auto& [name, side, names] : cases)
    EXPECT_EQ(recordNamesFor(folder.string(), name, side), names) << name << " " << side;
  writeFile(folder / "0_rec_l.bin", eeg64SideFile(kLeft, 0, 0, 10, 0));
  Eeg64Importer unpaired(folder.string(), (folder / "missing").string(), "rec_");
  EXPECT_TRUE(unpaired.signals().empty());
  EXPECT_TRUE(unpaired.importAll());  // nothing to merge, and nothing to reach through
}

TEST(Eeg64Import, LeavesInvalidBlocksOutOfTheBuffers) {
  // A damaged left block (low battery, flags 9) and a missing one count for nothing; their samples are NaN.
  TempFolder left, right;
  std::string bytes = kLeft.header();
  std::vector<double> values(kLeft.valueCount());
  for (uint16_t sequence = 0; sequence < 200; ++sequence) {
    if (sequence == 120) continue;
    eeg64SideBlock(0, sequence, 0, values);
    const bool damaged = sequence == 100;
    const std::string block = kLeft.block(sequence, values, damaged ? 10 : 3900, damaged ? 9 : 0);
    bytes += damaged ? withChangedByte(block, 20) : block;
  }
  writeFile(left / "0_rec_l.bin", bytes);
  writeFile(right / "0_rec_r.bin", eeg64SideFile(kRight, 1, 0, 200, 13, 3800));
  const Merged merged = importMerged(left, right, "rec_");
  EXPECT_EQ(merged.batteries, std::set<uint16_t>{3800});
  EXPECT_EQ(merged.flags, std::set<uint16_t>{0});
  EXPECT_NE(merged.output.find("nans on sequence 100\n"), std::string::npos) << merged.output;
  EXPECT_NE(merged.output.find("nans on sequence 120\n"), std::string::npos) << merged.output;
}

// Blocks pair by position (the left's longer tail left out); a failed left record keeps the blocks it gave.
TEST(Eeg64Import, MergesALongPairAlignedAndAsLoadingEverythingWouldAcrossAFailedRecord) {
  // The right device started 1.3 s (333 samples) after the left one and lost three blocks.
  constexpr std::size_t kBlocks = 20 * 60 * kEeg64BlocksPerSecond;  // twenty minutes
  constexpr uint16_t kHalf = kBlocks / 2;
  constexpr uint16_t kQuarter = kBlocks / 4;
  TempFolder left, right;
  writeFile(left / "0_rec_la.bin", eeg64SideFile(kLeft, 0, 0, kHalf, 0));
  writeFile(left / "1_rec_la.bin", kLeft.header());  // no block: the record fails here
  writeFile(left / "0_rec_lb.bin", eeg64SideFile(kLeft, 0, kHalf, kQuarter, 0));
  writeFile(left / "1_rec_lb.bin", eeg64SideFile(kLeft, 0, kHalf + kQuarter, kQuarter, 0));
  writeFile(right / "0_rec_r.bin", eeg64SideFile(kRight, 1, 0, 5000, 333, 3800));
  writeFile(right / "1_rec_r.bin", eeg64SideFile(kRight, 1, 5003, kBlocks - 5003, 333, 3800));
  const Merged merged = importMerged(left, right, "rec_");
  EXPECT_GT(merged.blocks, kBlocks - 100);
  EXPECT_TRUE(merged.aligned);
  EXPECT_TRUE(merged.increasing);
  EXPECT_EQ(merged, loadEverythingMerge(left, right, "rec_"));
  const std::size_t failed = merged.output.find("import failed\n");
  ASSERT_NE(failed, std::string::npos) << merged.output;
  EXPECT_EQ(merged.output.find("import failed\n", failed + 1), std::string::npos);
}

}  // namespace
}  // namespace zav::test

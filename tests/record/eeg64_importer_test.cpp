#include "record/eeg64_importer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

#include "multi/alignment.h"
#include "record/bdf_writer.h"
#include "record/eeg64_record_export.h"
#include "record/eeg64_records.h"
#include "record/importer.h"
#include "support/temp_folder.h"

namespace zav {
namespace {

using test::eeg64SideFile;
using test::eeg64SideWriter;
using test::readFile;
using test::TempFolder;
using test::writeFile;

const test::RecordWriter kLeft = eeg64SideWriter("left");
const test::RecordWriter kRight = eeg64SideWriter("right");

// What an importer passes on, reduced to a digest, and the lines written meanwhile.
struct Merged {
  std::size_t blocks = 0;
  uint16_t first = 0;
  uint64_t digest = 1469598103934665603ull;
  std::set<uint16_t> batteries;
  std::set<uint16_t> flags;
  bool channelsAgree = true;  // merged EEG channels 32 and 64, sample by sample
  std::string output;

  void add(const BaseImporter::Block& block) {
    if (blocks++ == 0) first = block.sequence;
    batteries.insert(block.battery);
    flags.insert(block.flags);
    hash(static_cast<uint64_t>(block.sequence) << 32 | static_cast<uint64_t>(block.battery) << 16 |
         block.flags);
    for (const double value : block.data) {
      uint64_t bits = 0;
      std::memcpy(&bits, &value, sizeof bits);
      hash(bits);
    }
    for (std::size_t s = 0; s < 8; ++s)
      channelsAgree = channelsAgree && block.data[31 * 8 + s] == block.data[63 * 8 + s];
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
  const Importer leftFirst(left.string(), *recordNamesFor(left.string(), base, "l").begin());
  const Importer rightFirst(right.string(), *recordNamesFor(right.string(), base, "r").begin());
  const SignalList l = leftFirst.signals();
  const SignalList r = rightFirst.signals();
  const SignalList signals = mergedEeg64Signals(l, r);
  SideBuffer leftBuffer;
  SideBuffer rightBuffer;
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

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A pair that aligns early: the right device started lateSamples after the left one.
void writePair(const TempFolder& left, const TempFolder& right, const std::string& base,
               std::size_t leftBlocks, std::size_t rightBlocks, uint64_t lateSamples = 13) {
  writeFile(left / ("0_" + base + "_l.bin"), eeg64SideFile(kLeft, 0, 0, leftBlocks / 2, 0));
  writeFile(left / ("1_" + base + "_l.bin"),
            eeg64SideFile(kLeft, 0, static_cast<uint16_t>(leftBlocks / 2), leftBlocks - leftBlocks / 2, 0));
  writeFile(right / ("0_" + base + "_r.bin"), eeg64SideFile(kRight, 1, 0, rightBlocks, lateSamples, 3800));
}

TEST(Eeg64Import, ConvertsAPairFromSplitFilesAndSeveralPairsIntoTheirOwnFolders) {
  TempFolder left, right, output, single;
  writePair(left, right, "rec1", 200, 200, 13);
  writePair(left, right, "rec2", 150, 160, 40);
  const std::vector<Eeg64Pair> pairs = eeg64Pairs(left.string(), right.string(), "rec1");
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0].left + pairs[0].right + pairs[0].common, "rec1_lrec1_rrec1_");
  const auto convert = [&](const char* base, const TempFolder& into) {
    testing::internal::CaptureStdout();
    const int converted =
        importEeg64SdRecord(left.string().c_str(), right.string().c_str(), base, into.string().c_str());
    testing::internal::GetCapturedStdout();
    return converted;
  };

  EXPECT_EQ(convert("rec1", single), 1);
  EXPECT_EQ(namesIn(single.path()),
            (std::vector<std::string>{"EEG-impedances.csv", "EEG.csv", "ExG_B.csv", "IMU_B [1].csv",
                                      "IMU_B [2].csv", "Photodiode.csv", "signalsInfo.csv"}));
  const std::string info = readFile(single / "signalsInfo.csv");
  EXPECT_NE(info.find("EEG,256,64,8,false"), std::string::npos) << info;
  const std::string eeg = readFile(single / "EEG.csv");
  const std::size_t rows = static_cast<std::size_t>(std::count(eeg.begin(), eeg.end(), '\n'));
  EXPECT_GT(rows, 1000u);
  EXPECT_EQ(rows, 1 + 8 * importMerged(left, right, "rec1_").blocks);

  EXPECT_EQ(convert("rec", output), 2);
  EXPECT_EQ(namesIn(output.path()), (std::vector<std::string>{"rec1_", "rec2_"}));
  EXPECT_EQ(readFile(output / "rec1_" / "EEG.csv"), eeg);
  TempFolder second;
  EXPECT_EQ(convert("rec2", second), 1);
  EXPECT_EQ(readFile(output / "rec2_" / "EEG.csv"), readFile(second / "EEG.csv"));
}

TEST(Eeg64Import, WritesOneBdfFilePerPairNamedAfterIt) {
  if (!BdfWriter::available()) GTEST_SKIP() << "no BDF in this build";
  TempFolder left, right, output;
  writePair(left, right, "rec1", 200, 200, 13);
  writePair(left, right, "rec2", 150, 160, 40);
  testing::internal::CaptureStdout();
  EXPECT_EQ(importEeg64SdRecordBdf(left.string().c_str(), right.string().c_str(), "rec", output.string().c_str()), 2);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(namesIn(output.path()), (std::vector<std::string>{"rec1_.bdf", "rec2_.bdf"}));
  const std::string file = readFile(output / "rec1_.bdf");
  EXPECT_EQ(file.substr(1, 7), "BIOSEMI");
  // One signal per channel, each with a 16-character label after the 256-byte header.
  const int signals = std::stoi(file.substr(252, 4));
  int eeg = 0;
  for (int i = 0; i < signals; ++i) eeg += file.compare(256 + 16 * i, 3, "EEG") == 0 ? 1 : 0;
  EXPECT_EQ(eeg, 64);
}

TEST(Eeg64Import, NeedsARecordOnBothSides) {
  TempFolder left, right, output;
  writeFile(left / "0_rec_l.bin", eeg64SideFile(kLeft, 0, 0, 10, 0));
  EXPECT_EQ(
      importEeg64SdRecord(left.string().c_str(), right.string().c_str(), "rec", output.string().c_str()), 0);
  EXPECT_TRUE(std::filesystem::is_empty(output.path()));
  Eeg64Importer missing(left.string(), right.string(), "rec_");
  EXPECT_EQ(missing.description(), "none-none");
  EXPECT_EQ(missing.frequency(), 0);
  EXPECT_TRUE(missing.signals().empty());
  EXPECT_TRUE(missing.importAll());

  writeFile(right / "0_rec_r.bin", eeg64SideFile(kRight, 1, 0, 10, 0));
  EXPECT_EQ(Eeg64Importer(left.string(), right.string(), "rec_").description(), "left-right");
}

TEST(Eeg64Import, NamesRecordsByStemSideLetterAndPosition) {
  TempFolder folder;
  for (const char* name : {"0_cal_x.bin", "1_rec_l.bin", "0_a.cal", "2_rec_l.v2.bin"})
    writeFile(folder / name, "");
  struct Case {
    const char* name;
    const char* side;
    std::set<std::string> names;
  };
  for (const Case& c : std::vector<Case>{{"cal", "l", {"cal_x"}},  // a side letter anywhere in the entry name
                                         {"cal.txt", "", {"cal_x"}},
                                         {"cal", "r", {}},
                                         {"rec", "l", {"rec_l", "rec_l.v2"}}}) {
    EXPECT_EQ(recordNamesFor(folder.string(), c.name, c.side), c.names) << c.name << " " << c.side;
  }
}

TEST(Eeg64Import, PairsBlocksByPositionAndIgnoresTheLongerTail) {
  TempFolder left, right, shortLeft;
  writePair(left, right, "rec", 300, 150);
  writeFile(shortLeft / "0_rec_l.bin", eeg64SideFile(kLeft, 0, 0, 150, 0));
  const Merged merged = importMerged(left, right, "rec_");
  EXPECT_GT(merged.blocks, 100u);
  EXPECT_EQ(merged, importMerged(shortLeft, right, "rec_"));
  EXPECT_TRUE(merged.channelsAgree);
}

TEST(Eeg64Import, LeavesInvalidBlocksOutOfTheBuffers) {
  // A damaged left block claims a low battery and flags 9, a missing one becomes a filler:
  // neither counts, and their samples reach the merge as NaN.
  TempFolder left, right;
  std::string bytes = kLeft.header();
  std::vector<double> values(kLeft.valueCount());
  for (uint16_t sequence = 0; sequence < 200; ++sequence) {
    if (sequence == 120) continue;
    test::eeg64SideBlock(0, sequence, 0, values);
    std::string block = kLeft.block(sequence, values, sequence == 100 ? 10 : 3900, sequence == 100 ? 9 : 0);
    bytes += sequence == 100 ? test::withChangedByte(block, 20) : block;
  }
  writeFile(left / "0_rec_l.bin", bytes);
  writeFile(right / "0_rec_r.bin", eeg64SideFile(kRight, 1, 0, 200, 13, 3800));
  const Merged merged = importMerged(left, right, "rec_");
  EXPECT_EQ(merged.batteries, std::set<uint16_t>{3800});
  EXPECT_EQ(merged.flags, std::set<uint16_t>{0});
  EXPECT_NE(merged.output.find("nans on sequence 100\n"), std::string::npos) << merged.output;
  EXPECT_NE(merged.output.find("nans on sequence 120\n"), std::string::npos) << merged.output;
}

TEST(Eeg64Import, KeepsTheBlocksOfAFailedRecordAndGoesOnWithTheNext) {
  TempFolder failing, whole, right;
  writeFile(failing / "0_rec_la.bin", eeg64SideFile(kLeft, 0, 0, 60, 0));
  writeFile(failing / "1_rec_la.bin", kLeft.header());  // no block: the record fails here
  writeFile(failing / "0_rec_lb.bin", eeg64SideFile(kLeft, 0, 60, 140, 0));
  writeFile(whole / "0_rec_l.bin", eeg64SideFile(kLeft, 0, 0, 60, 0));
  writeFile(whole / "1_rec_l.bin", eeg64SideFile(kLeft, 0, 60, 140, 0));
  writeFile(right / "0_rec_r.bin", eeg64SideFile(kRight, 1, 0, 200, 13, 3800));
  const Merged merged = importMerged(failing, right, "rec_");
  EXPECT_EQ(merged, importMerged(whole, right, "rec_"));
  EXPECT_GT(merged.blocks, 150u);
  const std::size_t first = merged.output.find("import failed\n");
  ASSERT_NE(first, std::string::npos) << merged.output;
  EXPECT_EQ(merged.output.find("import failed\n", first + 1), std::string::npos);
}

TEST(Eeg64Import, MergesALongPairAsLoadingEverythingWould) {
  // The right device started 1.3 s (333 samples) after the left one and lost a few blocks.
  constexpr std::size_t kBlocks = 10 * 60 * test::kEeg64BlocksPerSecond;  // ten minutes
  TempFolder left, right;
  writeFile(left / "0_rec_l.bin", eeg64SideFile(kLeft, 0, 0, kBlocks / 2, 0));
  writeFile(left / "1_rec_l.bin", eeg64SideFile(kLeft, 0, kBlocks / 2, kBlocks / 2, 0));
  writeFile(right / "0_rec_r.bin", eeg64SideFile(kRight, 1, 0, 5000, 333, 3800));
  writeFile(right / "1_rec_r.bin", eeg64SideFile(kRight, 1, 5003, kBlocks - 5003, 333, 3800));
  const Merged merged = importMerged(left, right, "rec_");
  EXPECT_GT(merged.blocks, kBlocks - 100);
  EXPECT_TRUE(merged.channelsAgree);
  EXPECT_EQ(merged, loadEverythingMerge(left, right, "rec_"));
}

}  // namespace
}  // namespace zav

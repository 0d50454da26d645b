#include "record/importer.h"

#include <gtest/gtest.h>

#include "record/import_fixture.h"

namespace zav {
namespace {

using test::importRecord;
using test::sequenceRun;
using test::TempFolder;
using test::writeRecordFile;
using Sequences = std::vector<uint16_t>;

std::vector<std::string> fileNames(const Importer& importer) {
  std::vector<std::string> names;
  for (const auto& path : importer.files()) names.push_back(path.filename().string());
  return names;
}

TEST(Importer, ReadsTheFilesOfARecordInTheOrderOfTheirNumbers) {
  TempFolder folder;
  const std::vector<std::pair<std::string, uint16_t>> files = {
      {"10_rec.bin", 30}, {"2_rec.bin", 20}, {"0_rec.bin", 0}, {"11_rec.bin", 40}, {"1_rec.bin", 10}};
  for (const auto& [name, first] : files) writeRecordFile(folder, name, sequenceRun(first, 10));
  writeRecordFile(folder, "0_other.bin", {999});

  Importer importer(folder.string(), "rec");
  EXPECT_EQ(fileNames(importer),
            (std::vector<std::string>{"0_rec.bin", "1_rec.bin", "2_rec.bin", "10_rec.bin", "11_rec.bin"}));
  EXPECT_EQ(importer.blockCount(), 50u);
  EXPECT_EQ(importer.firstSequence(), 0);
  EXPECT_EQ(importer.frequency(), 32);
  EXPECT_EQ(importer.description(), "zav test record");
  EXPECT_EQ(importer.signals(), (SignalList{{"BVP", 2, 3, 1, 1}}));

  const auto imported = importRecord(folder.string(), "rec");
  EXPECT_TRUE(imported.result);
  EXPECT_EQ(imported.sequences(), sequenceRun(0, 50));
  EXPECT_TRUE(imported.invalidSequences().empty());
  EXPECT_EQ(imported.output, "");
  EXPECT_EQ(imported.blocks[17].data, test::valuesOf(17));
}

TEST(Importer, SelectsFilesByRegularExpressionSearch) {
  TempFolder folder;
  for (const char* name : {"x0_rec", "a3_recording", "0_rxc.bin", "rec.bin", "0-rec.bin", "7_REC.bin"}) {
    writeRecordFile(folder, name, {1});
  }
  EXPECT_EQ(fileNames(Importer(folder.string(), "rec")),
            (std::vector<std::string>{"x0_rec", "a3_recording"}));
  EXPECT_EQ(fileNames(Importer(folder.string(), "r.c")),
            (std::vector<std::string>{"0_rxc.bin", "x0_rec", "a3_recording"}));
  EXPECT_EQ(fileNames(Importer(folder.string(), "rec$")), (std::vector<std::string>{"x0_rec"}));

  testing::internal::CaptureStdout();
  Importer broken(folder.string(), "rec(");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid record name rec(\n");
  EXPECT_FALSE(broken.validName());
  EXPECT_TRUE(broken.files().empty());
  EXPECT_TRUE(Importer((folder / "missing").string(), "rec").files().empty());
  EXPECT_EQ(Importer((folder / "missing").string(), "rec").description(), "");
}

TEST(Importer, PassesBlocksOnInSequenceOrderWithFillersForGapsOnceEachAcrossTheWrapAndFiles) {
  Sequences repeated = sequenceRun(0, 331);
  repeated.insert(repeated.begin() + 5, 3);
  Sequences late = sequenceRun(65000, 400);
  late.insert(late.end(), {65010, 65400});  // 390 places late, 80 places after it was passed
  Sequences lateAtWrap = sequenceRun(65500, 400);
  lateAtWrap.push_back(65530);  // never filled up to 65,000 numbers later
  struct Case {
    const char* name;
    std::vector<Sequences> files;
    Sequences sequences, invalid;
    std::string output;
  };
  const Case cases[] = {
      {"gaps", {{5, 4, 6, 10, 14}}, {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, {7, 8, 9, 11, 12, 13}, ""},
      // 65535 arrives late but still inside the window; 0 is missing, 3 and 4 between the files.
      {"wrap",
       {{65533, 65534, 1, 2, 65535}, {5, 6}},
       {65533, 65534, 65535, 0, 1, 2, 3, 4, 5, 6},
       {0, 3, 4},
       ""},
      {"plain wrap", {{65535, 0}}, {65535, 0}, {}, ""},
      {"no fillers before the first block", {{40000, 40001}}, {40000, 40001}, {}, ""},
      // 3 comes again while its first copy waits in the window; 330 ends the first file and
      // starts the second, so it comes again just after it was passed on.
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
    EXPECT_TRUE(imported.result);
    EXPECT_EQ(imported.sequences(), c.sequences);
    EXPECT_EQ(imported.invalidSequences(), c.invalid);
    EXPECT_EQ(imported.output, c.output);
  }
  TempFolder folder;
  writeRecordFile(folder, "0_rec.bin", {5, 4, 6, 10, 14});
  const auto imported = importRecord(folder.string(), "rec");
  const test::Passed& filler = imported.blocks[4];
  EXPECT_EQ(filler.battery, 0);
  EXPECT_EQ(filler.flags, 0);
  EXPECT_EQ(filler.data.size(), 2u);
  EXPECT_TRUE(test::allNaN(filler.data));
  EXPECT_EQ(imported.blocks[0].data, test::valuesOf(4));
}

TEST(Importer, StopsWhenACallbackDeclines) {
  TempFolder folder;
  writeRecordFile(folder, "0_rec.bin", sequenceRun(0, 3));
  writeRecordFile(folder, "0_long.bin", sequenceRun(0, 400));
  for (const auto& [name, message] :
       {std::pair<std::string, std::string>{"rec", "error processing pending block\n"},
        {"long", "error processing block\n"}}) {
    Importer importer(folder.string(), name);
    int calls = 0;
    int laterCalls = 0;
    importer.addCallback([&](const BaseImporter::Block&) { return ++calls > 1; });
    importer.addCallback([&](const BaseImporter::Block&) { return ++laterCalls > 0; });
    testing::internal::CaptureStdout();
    EXPECT_FALSE(importer.importAll());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message + "error importing multiple files\n");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(laterCalls, 0);
  }
}

TEST(Importer, PullsTheSameBlocksItPushes) {
  TempFolder folder;
  Sequences sequences = sequenceRun(100, 700);
  std::swap(sequences[10], sequences[20]);
  sequences.erase(sequences.begin() + 500);
  writeRecordFile(folder, "0_rec.bin", sequences);
  writeRecordFile(folder, "1_rec.bin", sequenceRun(900, 5));
  const auto pushed = importRecord(folder.string(), "rec");

  Importer importer(folder.string(), "rec");
  for (int run = 0; run < 2; ++run) {
    const auto stream = importer.stream();
    std::vector<uint16_t> pulled;
    std::vector<uint16_t> invalid;
    while (const BaseImporter::Block* block = stream->next()) {
      pulled.push_back(block->sequence);
      if (block->invalid) invalid.push_back(block->sequence);
    }
    EXPECT_FALSE(stream->failed());
    EXPECT_EQ(pulled, pushed.sequences());
    EXPECT_EQ(invalid, pushed.invalidSequences());
    EXPECT_EQ(stream->next(), nullptr);
  }
  EXPECT_EQ(pushed.invalidSequences().size(), 1u + 100u);  // 600, and 800 to 899
}

}  // namespace
}  // namespace zav

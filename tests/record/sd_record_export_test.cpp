#include "record/sd_record_export.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "record/import_fixture.h"

namespace zav::test {
namespace {

const char* const kDataHeader = "sequence,battery,flags,Blood Volume Pulse-ch1,Blood Volume Pulse-ch2\n";

// integerRecord() data rows, one per sequence number; missing or damaged ones NaN, battery and flags 0.
std::string expectedRows(uint16_t first, uint16_t last, std::vector<uint16_t> missing = {}) {
  std::string text;
  for (uint32_t sequence = first; sequence <= last; ++sequence) {
    char row[128];  // valuesOf(sequence)
    std::snprintf(row, sizeof row, "%u,0,0,%u.0000000000,-%u.0000000000\n", sequence, sequence, sequence + 1);
    const bool lost = std::find(missing.begin(), missing.end(), sequence) != missing.end();
    text += lost ? std::to_string(sequence) + ",0,0,nan,nan\n" : row;
  }
  return text;
}

// Across the 16-bit wrap, a gap, a damaged block and two files; long enough for many batches of rows.
void writeGappedRecord(const TempFolder& input) {
  std::vector<uint16_t> first = sequenceRun(65530, 10);  // 65530 .. 3
  first.erase(first.begin() + 7);                        // 1 is missing
  writeRecordFile(input, "0_rec.bin", first);
  const RecordWriter writer = integerRecord();
  const std::string second = writer.file(sequenceRun(4, 4000), valuesOf);
  writeFile(input / "1_rec.bin", withChangedByte(second, writer.header().size() + 100 * 15 + 9));
}

TEST(SdRecordExport, ConvertsARecordIntoExactCsvFilesAndACancelKeepsCompleteRows) {
  TempFolder input, output, cancelled;
  writeGappedRecord(input);
  std::vector<ImportStatus> reports;
  uint64_t cancelAt = 2000;
  const ImportProgress progress{[&](const ImportStatus& status) {
                                  reports.push_back(status);
                                  return status.blocksDone < cancelAt;
                                },
                                4};
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", cancelled.string().c_str(), &progress), 0);
  EXPECT_EQ(reports.back().blocksDone, 2000u);  // no report after the cancel
  EXPECT_TRUE(readText(cancelled / "Blood Volume Pulse.csv") ==
              kDataHeader + expectedRows(65530, 65535) + expectedRows(0, 1993, {1, 104}));

  cancelAt = UINT64_MAX;
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str(), &progress), 1);
  EXPECT_EQ(readText(output / "signalsInfo.csv"),
            "signal,samplingrate,channels,samples,timestamps\nBlood Volume Pulse,32,2,1,false\n");
  EXPECT_TRUE(readText(output / "Blood Volume Pulse.csv") ==
              kDataHeader + expectedRows(65530, 65535) + expectedRows(0, 4003, {1, 104}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output.path()), {}), 2);  // no impedances
  // Blocks of 15 bytes, counted as the import reads them: 9 and 4000.
  EXPECT_EQ(reports.back().blocksDone, 4010u);  // the filler too
  EXPECT_EQ(reports.back().blockCount, 4009u);
  EXPECT_EQ(reports.back().bytesTotal, 4009u * 15u);
  EXPECT_EQ(reports.back().bytesDone, 4009u * 15u);
}

TEST(SdRecordExport, RefusesMissingArguments) {
  EXPECT_EQ(importSdRecord(nullptr, "rec", "out"), 0);
  EXPECT_EQ(importSdRecord(".", nullptr, "out"), 0);
  EXPECT_EQ(importSdRecord(".", "rec", nullptr), 0);
}

#ifdef __linux__
// A file size limit stands in for a disk that fills mid-import.
TEST(SdRecordExport, FailsWhenTheDiskFillsMidImport) {
  TempFolder input, output;
  writeGappedRecord(input);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit limited{50000, saved.rlim_max};  // a third of the data file
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  testing::internal::CaptureStdout();
  const int result = importSdRecord(input.string().c_str(), "rec", output.string().c_str());
  const std::string lines = testing::internal::GetCapturedStdout();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(lines, "cannot write " + (output / "Blood Volume Pulse.csv").string() + "\n");
}
#endif

TEST(SdRecordExport, SkipsAFileWhoseSignalsDifferFromTheFirst) {
  // Another shape, or the same shape in another mode: the file's blocks become a gap.
  for (const SignalInfo& other : {SignalInfo("BVP", 1, 3, 1, 1), SignalInfo("BVP", 2, 3, 1, 2)}) {
    TempFolder input, output;
    writeRecordFile(input, "0_rec.bin", {1, 2});
    writeFile(input / "1_rec.bin", RecordWriter({other}, 32).file({3, 4}, valuesOf));
    writeRecordFile(input, "2_rec.bin", {5, 6});
    const std::string skipped = Importer(input.string(), "rec").files().at(1).string();
    testing::internal::CaptureStdout();
    EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "skipped " + skipped + ": its signals differ from the record's first file\n");
    EXPECT_EQ(readText(output / "Blood Volume Pulse.csv"), kDataHeader + expectedRows(1, 6, {3, 4}));
  }
}

}  // namespace
}  // namespace zav::test

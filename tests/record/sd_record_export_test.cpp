#include "record/sd_record_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "record/csv_test_files.h"
#include "record/import_fixture.h"

namespace zav {
namespace {

using test::readText;
using test::sequenceRun;
using test::TempFolder;
using test::writeRecordFile;

std::size_t fileCount(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

const char* const kDataHeader = "sequence,battery,flags,Blood Volume Pulse-ch1,Blood Volume Pulse-ch2\n";

// Rows of the data file of integerRecord() as they must read: one per sequence number,
// the missing one as NaN with battery and flags 0.
std::string expectedRows(uint16_t first, uint16_t last, int missing = -1) {
  std::string text;
  for (uint32_t sequence = first; sequence <= last; ++sequence) {
    char row[128];
    if (static_cast<int>(sequence) == missing) {
      std::snprintf(row, sizeof row, "%u,0,0,nan,nan\n", sequence);
    } else {
      const auto values = test::valuesOf(static_cast<uint16_t>(sequence));
      std::snprintf(row, sizeof row, "%u,0,0,%.10f,%.10f\n", sequence, values[0], values[1]);
    }
    text += row;
  }
  return text;
}

TEST(SdRecordExport, ConvertsARecordIntoExactCsvFiles) {
  TempFolder input;
  TempFolder output;
  std::vector<uint16_t> first = sequenceRun(65530, 10);  // 65530 .. 3
  first.erase(first.begin() + 7);                        // 1 is missing
  writeRecordFile(input, "0_rec.bin", first);
  writeRecordFile(input, "1_rec.bin", sequenceRun(4, 3));
  std::vector<ImportStatus> reports;
  ImportProgress progress{[&](const ImportStatus& status) { reports.push_back(status); }, 4};

  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str(), &progress), 1);
  EXPECT_EQ(readText(output / "signalsInfo.csv"),
            "signal,samplingrate,channels,samples,timestamps\nBlood Volume Pulse,32,2,1,false\n");
  const std::string data = readText(output / "Blood Volume Pulse.csv");
  EXPECT_EQ(data.substr(data.find('\n') + 1, 30), "65530,0,0,65530.0000000000,-65");
  EXPECT_EQ(data, kDataHeader + expectedRows(65530, 65535) + expectedRows(0, 6, 1));
  EXPECT_EQ(fileCount(output.path()), 2u);  // no EEG: no impedance file
  ASSERT_FALSE(reports.empty());
  // Counted at the even size of 16 bytes: 9 and 3 blocks of 15 bytes count as 8 and 2.
  EXPECT_EQ(reports.back().blocksDone, 13u);  // the filler too
  EXPECT_EQ(reports.back().blockCount, 10u);
  EXPECT_EQ(reports.back().bytesTotal, 10u * 15u);
  EXPECT_EQ(reports.back().bytesDone, 10u * 15u);
}

TEST(SdRecordExport, WritesEegWithItsImpedanceFile) {
  TempFolder input;
  TempFolder output;
  test::RecordWriter writer({{"EEG", 4, 3, 8, 1}, {"DIN", 1, 1, 8, 1}}, 32);
  test::writeFile(input / "0_rec.bin", writer.file(sequenceRun(0, 40), [](uint16_t sequence) {
    return std::vector<double>(40, sequence % 2 == 0 ? 0.0 : 1.0);
  }));
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str()), 1);
  const std::string impedances = readText(output / "EEG-impedances.csv");
  EXPECT_EQ(impedances.substr(0, impedances.find('\n')),
            "sequence,EEG-imp-ch1,EEG-imp-ch2,EEG-imp-ch3,EEG-imp-ch4");
  EXPECT_EQ(std::count(impedances.begin(), impedances.end(), '\n'), 41);
  const std::string eeg = readText(output / "EEG.csv");
  EXPECT_EQ(std::count(eeg.begin(), eeg.end(), '\n'), 1 + 40 * 8);
  EXPECT_EQ(readText(output / "D in.csv").substr(0, 56),
            "sequence,battery,flags,D in-ch1\n0,0,0,0.0000000000\n0,0,0");
}

TEST(SdRecordExport, FailsWithoutRecordOrWithAnUnusableName) {
  TempFolder input;
  TempFolder output;
  writeRecordFile(input, "0_rec.bin", {1, 2});
  EXPECT_EQ(importSdRecord(input.string().c_str(), "other", output.string().c_str()), 0);
  EXPECT_EQ(fileCount(output.path()), 0u);
  EXPECT_EQ(importSdRecord(nullptr, "rec", output.string().c_str()), 0);
  EXPECT_EQ(importSdRecord(input.string().c_str(), nullptr, output.string().c_str()), 0);
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", nullptr), 0);

  testing::internal::CaptureStdout();
  EXPECT_EQ(importSdRecord(input.string().c_str(), "[rec", output.string().c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid record name [rec\n");
  EXPECT_EQ(fileCount(output.path()), 0u);

  const std::string missing = (output / "missing").string();
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", missing.c_str()), 0);
}

TEST(SdRecordExport, FailsWhenADataFileCannotBeWritten) {
  TempFolder input;
  TempFolder output;
  writeRecordFile(input, "0_rec.bin", {1, 2});
  std::filesystem::create_directory(output / "Blood Volume Pulse.csv");
  testing::internal::CaptureStdout();
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "cannot create " + output.string() + "/Blood Volume Pulse.csv\n");
  EXPECT_TRUE(std::filesystem::exists(output / "signalsInfo.csv"));
}

TEST(SdRecordExport, FailsOnAFileWhoseBlocksDoNotFitTheFirst) {
  TempFolder input;
  TempFolder output;
  writeRecordFile(input, "0_rec.bin", {1, 2});
  test::RecordWriter narrower({{"BVP", 1, 3, 1, 1}}, 32);
  test::writeFile(input / "1_rec.bin",
                  narrower.file({3, 4}, [](uint16_t) { return std::vector<double>{5.0}; }));
  testing::internal::CaptureStdout();
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "error processing pending block\nerror importing multiple files\n");
  EXPECT_EQ(readText(output / "Blood Volume Pulse.csv"), kDataHeader + expectedRows(1, 2));
}

}  // namespace
}  // namespace zav

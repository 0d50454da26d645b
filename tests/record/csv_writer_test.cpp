#include "record/csv_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <vector>

#include "record/import_fixture.h"
#include "signal/impedance_estimator.h"

namespace zav::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CsvWriter, WritesSummaryDataAndImpedanceFilesExactly) {
  TempFolder folder;
  const SignalList signals = {{"EEG", 2, 3, 2, 1}, {"uSD", 0, 0, 0, 1}, {"ACC", 2, 2, 1, 1}};
  CsvWriter writer(folder.string().c_str(), signals.data(), signals.size(), "", kDrySensor);
  ASSERT_TRUE(writer.open(250, false));
  // EEG channel-major (ch1 s0, ch1 s1, ch2 s0, ch2 s1), then the accelerometer.
  const double first[] = {10.25, 11.0, -20.5, 0.125, 1.5, -2.0};
  const double second[] = {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
  writer.writeBlock(first, 7, 0xFFFF, 0);
  writer.writeBlock(second, 8, 0, 6);
  EXPECT_TRUE(writer.close());

  EXPECT_EQ(readText(folder / "signalsInfo.csv"),
            "signal,samplingrate,channels,samples,timestamps\n"
            "EEG,500,2,2,false\n"
            "Accelerometer,250,2,1,false\n");
  EXPECT_EQ(readText(folder / "EEG.csv"),
            "sequence,battery,flags,EEG-ch1,EEG-ch2\n"
            "7,-1,0,10.2500000000,-20.5000000000\n"
            "7,-1,0,11.0000000000,0.1250000000\n"
            "8,0,6,nan,nan\n"
            "8,0,6,nan,nan\n");
  // No grade before a whole window of data: saturated.
  EXPECT_EQ(readText(folder / "EEG-impedances.csv"), "sequence,EEG-imp-ch1,EEG-imp-ch2\n7,4,4\n8,4,4\n");
  EXPECT_EQ(readText(folder / "Accelerometer.csv"),
            "sequence,battery,flags,Accelerometer-ch1,Accelerometer-ch2\n"
            "7,-1,0,1.5000000000,-2.0000000000\n"
            "8,0,6,nan,nan\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "uSD.csv"));
}

TEST(CsvWriter, WritesFilesOnlyForEnabledSignalsNamesTwinsApartAndStartsAfreshOnEveryOpen) {
  TempFolder folder;
  // Timestamps are per block: a timestamped file may hold rows without one.
  const SignalList twins = {{"IMU_B", 1, 2, 1, 1}, {"IMU_B", 1, 2, 1, 1}, {"GSR", 1, 2, 1, 0}};
  CsvWriter writer(folder.string().c_str(), twins.data(), twins.size(), "", kDrySensor);
  const double values[] = {1.0, 2.0};
  ASSERT_TRUE(writer.open(10, false));
  writer.writeBlock(values, 1, 0, 0);
  ASSERT_TRUE(writer.open(10, true));
  writer.writeBlock(values, 2, 5, 0);
  writer.writeBlock(values, 3, 0, 0, -123456789012345, true);
  EXPECT_TRUE(writer.close());
  EXPECT_EQ(
      readText(folder / "signalsInfo.csv"),
      "signal,samplingrate,channels,samples,timestamps\nIMU_B [1],10,1,1,true\nIMU_B [2],10,1,1,true\n");
  EXPECT_EQ(readText(folder / "IMU_B [1].csv"),
            "timestamp,sequence,battery,flags,IMU_B [1]-ch1\n2,5,0,1.0000000000\n"
            "-123456789012345,3,0,0,1.0000000000\n");
  EXPECT_EQ(readText(folder / "IMU_B [2].csv"),
            "timestamp,sequence,battery,flags,IMU_B [2]-ch1\n2,5,0,2.0000000000\n"
            "-123456789012345,3,0,0,2.0000000000\n");
  EXPECT_FALSE(std::filesystem::exists(folder / "Galvanic Skin Response.csv"));
}

TEST(CsvWriter, NamesAFileThatCannotBeCreatedAndReportsTheLoss) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "EEG.csv");  // stands where the data file goes
  const SignalList signals = {{"EEG", 1, 3, 1, 1}, {"DIN", 1, 1, 1, 1}};
  CsvWriter writer(folder.string().c_str(), signals.data(), signals.size(), "", kDrySensor);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(writer.open(256, false));
  const double values[] = {1.0, 0.0};
  writer.writeBlock(values, 1, 0, 0);
  writer.writeBlock(values, 2, 0, 0);
  EXPECT_FALSE(writer.close());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "cannot create " + folder.string() + "/EEG.csv\n");
  EXPECT_EQ(readText(folder / "D in.csv"),
            "sequence,battery,flags,D in-ch1\n1,0,0,0.0000000000\n2,0,0,0.0000000000\n");

  CsvWriter nowhere((folder / "missing").string().c_str(), signals.data(), signals.size(), "", kDrySensor);
  EXPECT_FALSE(nowhere.open(256, false));
}

}  // namespace
}  // namespace zav::test

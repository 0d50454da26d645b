// The two-device conversion as a host calls it: listing, CSV folders or BDF files per pair, progress, cancel.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "record/eeg64_records.h"
#include "support/temp_folder.h"
#include "zav/zav.h"

namespace zav::test {
namespace {

struct Reports {
  uint64_t done = 0, count = 0;
  int calls = 0, allowed = 1 << 30;
};

int report(uint64_t blocksDone, uint64_t blockCount, void* user) {
  auto* reports = static_cast<Reports*>(user);
  reports->done = blocksDone;
  reports->count = blockCount;
  return ++reports->calls < reports->allowed ? 1 : 0;
}

int collect(const zav_record_pair* pair, void* user) {
  static_cast<std::string*>(user)->append(std::string(pair->left) + "+" + pair->right + "=" + pair->name +
                                          ">" + pair->subfolder + ";");
  return 1;
}

std::set<std::string> namesIn(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// Pairs reca and recb, each left record in two files, the right device 21 samples late; recc: left only.
class Eeg64Records : public testing::Test {
 protected:
  void SetUp() override {
    const auto leftWriter = eeg64SideWriter("L");
    for (const std::string base : {"reca_", "recb_"}) {
      writeFile(left / ("0_" + base + "l.bin"), eeg64SideFile(leftWriter, 0, 0, 250, 0));
      writeFile(left / ("1_" + base + "l.bin"), eeg64SideFile(leftWriter, 0, 250, 350, 0));
      writeFile(right / ("0_" + base + "r.bin"), eeg64SideFile(eeg64SideWriter("R"), 1, 0, 600, 21));
    }
    writeFile(left / "0_recc_l.bin", eeg64SideFile(leftWriter, 0, 0, 100, 0));
  }
  int convert(const char* base, const TempFolder& output, Reports* reports = nullptr) {
    return zav_import_eeg64_sd_record_with_progress(left.string().c_str(), right.string().c_str(), base,
                                                    output.string().c_str(), reports ? report : nullptr,
                                                    reports);
  }

  std::string pairs(const std::string& leftFolder, const char* base) {
    std::string text;
    const int count =
        zav_list_eeg64_sd_record_pairs(leftFolder.c_str(), right.string().c_str(), base, collect, &text);
    return std::to_string(count) + ": " + text;
  }

  TempFolder left, right;
};

TEST_F(Eeg64Records, ConvertsEveryPairIntoItsOwnFolderOrTheOnlyOneIntoTheOutput) {
  TempFolder output, single;
  Reports reports;
  EXPECT_EQ(convert("rec", output, &reports), 2);
  EXPECT_EQ(reports.count, 1200u);
  EXPECT_EQ(reports.done, 1200u);
  EXPECT_EQ(namesIn(output.path()), (std::set<std::string>{"reca_", "recb_"}));

  EXPECT_EQ(convert("recb", single), 1);
  EXPECT_EQ(namesIn(single.path()),
            (std::set<std::string>{"EEG-impedances.csv", "EEG.csv", "ExG_B.csv", "IMU_B [1].csv",
                                   "IMU_B [2].csv", "Photodiode.csv", "signalsInfo.csv"}));
  EXPECT_NE(readFile(single / "signalsInfo.csv").find("EEG,256,64,8,false"), std::string::npos);
  EXPECT_EQ(readFile(output / "recb_" / "EEG.csv"), readFile(single / "EEG.csv"));

  TempFolder bdf;
  const int files = zav_import_eeg64_sd_record_bdf(left.string().c_str(), right.string().c_str(), "rec",
                                                   bdf.string().c_str());
  if (files == 0 && std::string(zav_last_error()) == "BDF is not available in this build") return;
  EXPECT_EQ(files, 2);
  EXPECT_EQ(namesIn(bdf.path()), (std::set<std::string>{"reca_.bdf", "recb_.bdf"}));
  EXPECT_NE(readFile(bdf / "reca_.bdf").find("EEG-ch64        "), std::string::npos);  // both sides' channels
}

TEST_F(Eeg64Records, ListsThePairsItTakesAndCancelsOrRefusesWhatItCannotConvert) {
  EXPECT_EQ(pairs(left.string(), "rec"), "2: reca_l+reca_r=reca_>reca_;recb_l+recb_r=recb_>recb_;");
  EXPECT_EQ(pairs(left.string(), "recb"), "1: recb_l+recb_r=recb_>;");
  EXPECT_EQ(pairs((left / "missing").string(), ""), "-1: ");

  TempFolder output, unpaired;
  Reports cancelling{0, 0, 0, 3};  // cancels in the second pair
  EXPECT_EQ(convert("rec", output, &cancelling), 1);
  EXPECT_STREQ(zav_last_error(), "the conversion was cancelled");

  EXPECT_EQ(zav_driver_import_eeg64_sd_record(left.string().c_str(), right.string().c_str(), "recc",
                                              unpaired.string().c_str()),
            0);
  EXPECT_NE(std::string(zav_last_error()).find("no left and right record pair recc"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(unpaired.path()));
}

}  // namespace
}  // namespace zav::test

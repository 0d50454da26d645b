// The two-device conversion as a host calls it: listing, progress, cancel, bad arguments.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "record/eeg64_records.h"
#include "support/temp_folder.h"
#include "zav/zav.h"

namespace {

using zav::test::TempFolder;

struct Reports {
  std::vector<uint64_t> done;
  uint64_t count = 0;
  int allowed = 1 << 30;
};

int report(uint64_t blocksDone, uint64_t blockCount, void* user) {
  auto* reports = static_cast<Reports*>(user);
  reports->done.push_back(blocksDone);
  reports->count = blockCount;
  return static_cast<int>(reports->done.size()) < reports->allowed ? 1 : 0;
}

int collect(const zav_record_pair* pair, void* user) {
  static_cast<std::string*>(user)->append(std::string(pair->left) + "+" + pair->right + "=" + pair->name +
                                          ">" + pair->subfolder + ";");
  return 1;
}

TEST(Eeg64ImportThroughTheCInterface, ListsConvertsWithProgressAndCancels) {
  TempFolder left, right;
  for (const char* base : {"reca", "recb"}) {
    const std::string name = std::string("0_") + base + "_";
    zav::test::writeFile(left / (name + "l.bin"),
                         zav::test::eeg64SideFile(zav::test::eeg64SideWriter("L"), 0, 0, 600, 0));
    zav::test::writeFile(right / (name + "r.bin"),
                         zav::test::eeg64SideFile(zav::test::eeg64SideWriter("R"), 1, 0, 600, 21));
  }
  std::string pairs;
  EXPECT_EQ(
      zav_list_eeg64_sd_record_pairs(left.string().c_str(), right.string().c_str(), "rec", collect, &pairs),
      2);
  EXPECT_EQ(pairs, "reca_l+reca_r=reca_>reca_;recb_l+recb_r=recb_>recb_;");
  pairs.clear();
  EXPECT_EQ(
      zav_list_eeg64_sd_record_pairs(left.string().c_str(), right.string().c_str(), "recb", collect, &pairs),
      1);
  EXPECT_EQ(pairs, "recb_l+recb_r=recb_>;");

  TempFolder output;
  Reports reports;
  EXPECT_EQ(zav_import_eeg64_sd_record_with_progress(left.string().c_str(), right.string().c_str(), "rec",
                                                     output.string().c_str(), report, &reports),
            2);
  EXPECT_EQ(reports.count, 1200u);
  EXPECT_EQ(reports.done.back(), 1200u);
  EXPECT_TRUE(std::filesystem::exists(output / "recb_" / "EEG.csv"));

  Reports cancelling;
  cancelling.allowed = 3;  // cancels in the second pair
  EXPECT_EQ(zav_import_eeg64_sd_record_with_progress(left.string().c_str(), right.string().c_str(), "rec",
                                                     output.string().c_str(), report, &cancelling),
            1);
  EXPECT_STREQ(zav_last_error(), "the conversion was cancelled");

  EXPECT_EQ(zav_driver_import_eeg64_sd_record(left.string().c_str(), right.string().c_str(), "other",
                                              output.string().c_str()),
            0);
  EXPECT_NE(std::string(zav_last_error()).find("no left and right record pair other"), std::string::npos);
  EXPECT_EQ(zav_driver_import_eeg64_sd_record(nullptr, "x", "y", "z"), 0);
  EXPECT_EQ(zav_list_eeg64_sd_record_pairs("x", nullptr, "y", collect, nullptr), -1);
  EXPECT_EQ(zav_list_eeg64_sd_record_pairs((left / "missing").string().c_str(), right.string().c_str(), "",
                                           collect, nullptr),
            -1);
}

}  // namespace

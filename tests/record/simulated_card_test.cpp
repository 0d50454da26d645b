// The simulated device's SD card: what it records while the host reads converts into the rows read live.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "zav/zav.h"

namespace {

using zav::test::TempFolder;

constexpr int kChannels = 32;
// Past a whole cycle of the 16-bit sequence at 32768 blocks per second: about 2 s.
constexpr int kBlocks = 65536 + 4000;

struct LiveBlock {
  uint16_t sequence = 0, flags = 0;
  std::vector<double> values;
};

// A 32-channel EEG with values distinct per channel and block, the SD-card recorder, 100 kB record files.
std::string writeConfiguration(const TempFolder& folder, const TempFolder& card) {
  std::vector<double> values;
  for (int i = 0; i < kChannels * 7; ++i) values.push_back(-150.0 + 1.37 * i);
  const nlohmann::json eeg = {{"type", "EEG"}, {"channels", kChannels}, {"bytes", 3},      {"blockSize", 1},
                              {"mode", 1},     {"sr", 32768},           {"values", values}};
  const nlohmann::json device = {
      {"signals", {eeg, {{"type", "uSD"}, {"mode", 0}}}}, {"card", card.string()}, {"cardFileBytes", 100000}};
  zav::test::writeFile(folder / "device.json", device.dump());
  return (folder / "device.json").string();
}

TEST(SimulatedCard, RecordedBlocksImportAsTheRowsTheHostReadLiveAcrossSplitFilesAndTheSequenceWrap) {
  TempFolder folder, card, output;
  zav_driver* driver = zav_driver_new_simulated(writeConfiguration(folder, card).c_str(), zav_dry_eeg_sensor);
  zav_driver_connect(driver);
  ASSERT_TRUE(zav_driver_is_connected(driver));
  ASSERT_TRUE(zav_driver_enable_sd_card(driver, 1));
  ASSERT_TRUE(zav_driver_set_folder(driver, "sessions/day1"));
  ASSERT_TRUE(zav_driver_set_file(driver, "run.sdf"));
  ASSERT_TRUE(zav_driver_start(driver));
  std::vector<LiveBlock> live(kBlocks);
  for (LiveBlock& block : live) {
    const double* values = zav_driver_read(driver, &block.sequence, nullptr, &block.flags);
    ASSERT_NE(values, nullptr);
    block.values.assign(values, values + kChannels);
  }
  ASSERT_TRUE(zav_driver_stop(driver));
  zav_driver_free(driver);
  EXPECT_EQ(live.back().sequence, static_cast<uint16_t>(live.front().sequence + kBlocks - 1));

  const std::string record = (card.path() / "sessions" / "day1").string();
  ASSERT_EQ(zav_driver_import_sd_record(record.c_str(), "run.sdf", output.string().c_str()), 1);
  std::istringstream rows(zav::test::readFile(output / "EEG.csv"));
  std::string row;
  std::getline(rows, row);  // the column names
  for (const LiveBlock& block : live) {
    ASSERT_TRUE(std::getline(rows, row)) << "row of block " << block.sequence;
    char* end = nullptr;
    ASSERT_EQ(std::strtoul(row.c_str(), &end, 10), block.sequence);
    std::strtoul(end + 1, &end, 10);  // the battery: a raw word in the record, a level live
    ASSERT_EQ(std::strtoul(end + 1, &end, 10), block.flags) << block.sequence;
    for (int c = 0; c < kChannels; ++c) {
      ASSERT_EQ(*end, ',');
      ASSERT_NEAR(std::strtod(end + 1, &end), block.values[static_cast<std::size_t>(c)], 1e-10)
          << "block " << block.sequence << " channel " << c;
    }
  }
  EXPECT_FALSE(std::getline(rows, row) && row != "\r" && !row.empty()) << "no more rows than blocks: " << row;
}

}  // namespace

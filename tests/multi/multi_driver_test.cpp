// The two-device set over two simulated devices in process.
#include "multi/multi_driver.h"

#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>

#include "multi/side_streams.h"
#include "support/temp_folder.h"
#include "transport/mock_configuration.h"
#include "transport/mock_connection.h"

namespace zav {
namespace {

// The marker pattern repeats every 16 blocks: code 'A' at row 16, code 'B' at row 80.
constexpr std::size_t kPatternRows = 128;

// A half at 500 blocks/s starting startRow rows into the pattern: EEG channel 0 the row, DIN channel 1 codes.
std::unique_ptr<MockConnection> simulatedDevice(const test::TempFolder& folder, const std::string& name,
                                                std::size_t startRow, int exgMode) {
  const std::vector<double> time = test::bitsWith(kPatternRows, {{16, 'A'}, {80, 'B'}});
  std::vector<double> eeg(32 * kPatternRows, 0.0), din(3 * kPatternRows, 0.0);
  for (std::size_t row = 0; row < kPatternRows; ++row) {
    const std::size_t at = (row + startRow) % kPatternRows;
    eeg[row / 8 * 32 * 8 + row % 8] = static_cast<double>(at);
    din[(row / 8 * 3 + 1) * 8 + row % 8] = time[at];
  }
  nlohmann::json document = {{"signals", simulatedSetSide(true)["signals"]}};  // no markers of its own
  for (nlohmann::json& signal : document["signals"]) signal["sr"] = 500 * signal["blockSize"].get<int>();
  document["signals"][0]["values"] = eeg;
  document["signals"][1]["mode"] = exgMode;
  document["signals"][4]["values"] = din;
  test::writeFile(folder / (name + ".json"), document.dump());
  auto device = std::make_unique<MockConnection>();
  device->setProperties({{"configuration", (folder / (name + ".json")).string()}});
  return device;
}

TEST(MultiDriverRun, ReadsUnalignedRecordsUntilTheFirstSharedCodeThenMergedOnes) {
  test::TempFolder folder;
  MultiDriver set;
  // The right stream starts 21 rows later with its ExG off: connecting turns it on to match the left.
  set.configure(simulatedDevice(folder, "left", 0, 1), simulatedDevice(folder, "right", 21, 0));
  testing::internal::CaptureStdout();  // the diagnostic lines
  set.connect();
  ASSERT_TRUE(set.isConnected());
  EXPECT_EQ(set.signals()[1].mode, 1);
  ASSERT_TRUE(set.start());
  std::vector<double> record;
  uint16_t sequence = 0, battery = 0, flags = 0;
  // Code 'A' arrives on the left before the right device runs; 'B' completes on both with the 13th block.
  for (int i = 0; i < 52; ++i) {
    ASSERT_TRUE(set.read(record, sequence, battery, flags)) << i;
    EXPECT_EQ(flags, i < 12 ? 7 : 0) << i;
    if (i < 12) continue;
    EXPECT_EQ(sequence, i - 10);  // 21 samples into the left stream: its third block
    for (std::size_t s = 0; s < 8; ++s) EXPECT_EQ(record[s], record[32 * 8 + s]) << "sample " << s;
  }
  EXPECT_TRUE(set.stop());
  EXPECT_TRUE(set.enableSdCard(true));
  EXPECT_FALSE(set.applyModes(std::string(5, '\1')));  // one byte short of the merged list
  const std::string lines = testing::internal::GetCapturedStdout();

  ASSERT_EQ(lines.find("connect left: OK\nconnect right: OK\nleft running? NOPE\nright running?: NOPE\n"
                       "start left: OK\nstart right: OK\ncode B found at 80 & 59\nbig delay found 21\n"
                       "Synchronized\n"),
            0u)
      << lines;
  EXPECT_EQ(lines.find("big delay found 21"), lines.rfind("big delay found 21")) << lines;
  EXPECT_EQ(lines.substr(lines.size() - 29), "stop left: OK\nstop right: OK\n") << lines;

  // New transports while connected: the old ones are let go of before they are destroyed.
  set.configure(std::make_unique<MockConnection>(), std::make_unique<MockConnection>());
  EXPECT_FALSE(set.isConnected());
}

TEST(MultiDriver, NamesTheSetAfterWhatFollowsEachDeviceNamesPrefix) {
  const std::array<const char*, 3> cases[] = {{"12345678A", "12345678B", "ZAV-E64-(A,B)"},
                                              {"ZAV-E32-0012", "ZAV-E32-0013", "ZAV-E64-(0012,0013)"},
                                              {"short", "12345678B", "ZAV-E64-(,B)"},
                                              {"12345678", "", "ZAV-E64-(,)"}};
  for (const auto& [left, right, name] : cases) {
    MultiDriver set;
    set.configure(left, right, "");
    EXPECT_EQ(set.deviceName(), name);
  }
  EXPECT_EQ(MultiDriver().deviceName(), "ZAV-E64-(,)");  // no transports yet
}

}  // namespace
}  // namespace zav

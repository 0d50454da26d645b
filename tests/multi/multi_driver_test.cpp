#include "multi/multi_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "multi/line_capture.h"
#include "multi/side_streams.h"
#include "support/temp_folder.h"
#include "transport/mock_connection.h"

namespace zav {
namespace {

using test::LineCapture;

constexpr int kBlockRate = 500;
// The marker pattern repeats every 16 blocks: code 'A' at row 16, code 'B' at row 80.
constexpr std::size_t kPatternRows = 128;
// The right device's stream begins this many samples after the left one's.
constexpr std::size_t kRightStartsLater = 21;

// A simulated device under a name of its own that keeps what the driver wrote to it.
class NamedDevice : public MockConnection {
 public:
  explicit NamedDevice(std::string name) : name_(std::move(name)) {}
  const std::string& written() const { return written_; }

 protected:
  std::string describe() const override { return name_; }
  uint32_t doWrite(const uint8_t* buffer, uint32_t count) override {
    written_.append(reinterpret_cast<const char*>(buffer), count);
    return MockConnection::doWrite(buffer, count);
  }

 private:
  std::string name_;
  std::string written_;
};

nlohmann::json entry(const std::string& type, int channels, int bytes, int blockSize, int mode,
                     std::vector<double> values = {}) {
  return {{"type", type}, {"channels", channels},         {"bytes", bytes},  {"blockSize", blockSize},
          {"mode", mode}, {"sr", kBlockRate * blockSize}, {"values", values}};
}

// One device of the set whose stream begins startRow samples into the shared pattern:
// EEG channel 0 holds the pattern's row number in microvolts, DIN channel 1 the codes.
std::unique_ptr<NamedDevice> simulatedDevice(const test::TempFolder& folder, const std::string& name,
                                             std::size_t startRow, int exgMode) {
  std::vector<double> time(kPatternRows, 0.0);
  test::placeCode(time, 16, 'A');
  test::placeCode(time, 80, 'B');
  std::vector<double> eeg(32 * kPatternRows, 0.0);
  std::vector<double> din(3 * kPatternRows, 0.0);
  for (std::size_t row = 0; row < kPatternRows; ++row) {
    const std::size_t block = row / 8;
    const std::size_t sample = row % 8;
    const std::size_t at = (row + startRow) % kPatternRows;
    eeg[block * 32 * 8 + sample] = static_cast<double>(at);
    din[(block * 3 + 1) * 8 + sample] = time[at];
  }
  const nlohmann::json document = {
      {"signals",
       {entry("EEG", 32, 3, 8, 1, eeg), entry("ExG_B", 2, 3, 8, exgMode), entry("IMU_B", 9, 2, 1, 1),
        entry("FOT", 1, 3, 8, 1), entry("DIN", 3, 1, 8, 1, din), entry("uSD", 0, 0, 1, 0)}}};
  const auto path = folder / (name + ".json");
  test::writeFile(path, document.dump());
  auto device = std::make_unique<NamedDevice>(name);
  device->setProperties({{"configuration", path.string()}});
  return device;
}

bool anyNaN(const std::vector<double>& values) {
  return std::any_of(values.begin(), values.end(), [](double v) { return std::isnan(v); });
}

class MultiDriverWithDevices : public testing::Test {
 protected:
  void SetUp() override {
    auto leftDevice = simulatedDevice(folder, "ZAV-E32-left", 0, 1);
    // The right ExG is off: connecting turns it on to match the left one.
    auto rightDevice = simulatedDevice(folder, "ZAV-E32-right", kRightStartsLater, 0);
    left = leftDevice.get();
    right = rightDevice.get();
    set.configure(std::move(leftDevice), std::move(rightDevice));
    set.connect();
    ASSERT_TRUE(set.isConnected());
  }

  LineCapture capture;
  test::TempFolder folder;
  MultiDriver set;
  NamedDevice* left = nullptr;
  NamedDevice* right = nullptr;
};

TEST_F(MultiDriverWithDevices, ReadsUnalignedRecordsUntilTheFirstSharedCodeThenMergedOnes) {
  EXPECT_EQ(set.signals()[1].mode, 1);
  ASSERT_TRUE(set.start());
  std::vector<double> record;
  uint16_t sequence = 0;
  uint16_t battery = 0;
  uint16_t flags = 0;
  // Code 'A' arrives on the left before the right device runs; 'B' completes on both
  // with the 13th block.
  for (int i = 0; i < 12; ++i) {
    ASSERT_TRUE(set.read(record, sequence, battery, flags)) << i;
    EXPECT_EQ(flags, 7);
    EXPECT_EQ(record.size(), set.valuesPerRead());
    EXPECT_TRUE(std::all_of(record.begin(), record.end(), [](double v) { return std::isnan(v); }));
  }
  for (uint16_t i = 0; i < 40; ++i) {
    ASSERT_TRUE(set.read(record, sequence, battery, flags)) << i;
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(sequence, 2 + i);  // 21 samples into the left stream: its third block
    ASSERT_EQ(record.size(), set.valuesPerRead());
    EXPECT_FALSE(anyNaN(record));
    for (std::size_t s = 0; s < 8; ++s) EXPECT_EQ(record[s], record[32 * 8 + s]) << "sample " << s;
  }
  EXPECT_TRUE(set.stop());
  EXPECT_FALSE(set.isRunning());

  const std::vector<std::string> lines = capture.take();
  const std::vector<std::string> opening = {
      "connect left: OK",        "connect right: OK",  "left running? NOPE",
      "right running?: NOPE",    "start left: OK",     "start right: OK",
      "code B found at 80 & 59", "big delay found 21", "Synchronized"};
  ASSERT_GE(lines.size(), opening.size() + 2);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + opening.size()), opening);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "big delay found 21"), 1);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"stop left: OK", "stop right: OK"}));
}

TEST_F(MultiDriverWithDevices, SendsEachDeviceWhatItsSideNeeds) {
  // The first IMU is the left device's alone.
  const std::size_t rightWritten = right->written().size();
  const std::size_t leftWritten = left->written().size();
  EXPECT_TRUE(set.setSignalMode(2, 1));
  EXPECT_NE(left->written().find("cc", leftWritten), std::string::npos);
  EXPECT_EQ(right->written().size(), rightWritten);

  EXPECT_TRUE(set.setFile("rec.sdf"));
  EXPECT_NE(left->written().find(std::string("carecl.sdf\0", 11)), std::string::npos);
  EXPECT_NE(right->written().find(std::string("carecr.sdf\0", 11)), std::string::npos);
  EXPECT_EQ(set.file(), "rec.sdf");

  EXPECT_TRUE(set.enableSdCard(true));
  EXPECT_TRUE(set.isSdCardEnabled());
  EXPECT_FALSE(set.applyModes(std::string(5, '\1')));  // one byte short of the merged list

  // New transports while connected: the old ones are let go of before they are destroyed.
  set.configure(std::make_unique<NamedDevice>("a"), std::make_unique<NamedDevice>("b"));
  EXPECT_FALSE(set.isConnected());
}

TEST(MultiDriver, NamesTheSetAfterWhatFollowsEachDeviceNamesPrefix) {
  struct Case {
    const char* left;
    const char* right;
    const char* name;
  };
  const Case cases[] = {
      {"12345678A", "12345678B", "ZAV-E64-(A,B)"},
      {"ZAV-E32-0012", "ZAV-E32-0013", "ZAV-E64-(0012,0013)"},
      {"short", "12345678B", "ZAV-E64-(,B)"},
      {"12345678", "", "ZAV-E64-(,)"},
  };
  for (const Case& c : cases) {
    MultiDriver set;
    set.configure(std::make_unique<NamedDevice>(c.left), std::make_unique<NamedDevice>(c.right));
    EXPECT_EQ(set.deviceName(), c.name);
  }
  EXPECT_EQ(MultiDriver().deviceName(), "ZAV-E64-(,)");  // no transports yet
}

TEST(MultiDriver, GivesEachBluetoothTransportItsDeviceAndTheExtraProperties) {
  MultiDriver set;
  set.configure("ZAV-E32-0012", "ZAV-E32-0013", "", {{"bridgePort", "54321"}});
  EXPECT_EQ(set.deviceName(), "ZAV-E64-(0012,0013)");
  EXPECT_EQ(set.connection()->properties(),
            (PropertyValues{{"bridgeport", "54321"}, {"device", "ZAV-E32-0012"}}));
  set.configure("ZAV-E32-0012", "ZAV-E32-0013", "bridge/folder");
  EXPECT_EQ(set.connection()->properties(),
            (PropertyValues{{"device", "ZAV-E32-0012"}, {"path", "bridge/folder"}}));
}

}  // namespace
}  // namespace zav

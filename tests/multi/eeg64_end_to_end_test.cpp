// The two-device set end to end: handle -> MultiDriver -> rfbridge child process -> simulated halves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "api/driver_connection.h"
#include "api/make_device.h"
#include "driver/driver.h"
#include "multi/multi_driver.h"
#include "support/bridge_process.h"
#include "support/temp_folder.h"
#include "transport/bluetooth_connection.h"
#include "transport/mock_configuration.h"

namespace zav {
namespace {

constexpr uint16_t kNotSynchronized = 7;
constexpr int kBlocksPerSecond = 32;

std::unique_ptr<BluetoothConnection> bridged(const std::string& device, uint16_t port) {
  auto connection = std::make_unique<BluetoothConnection>();
  connection->setProperties({{"device", device}, {"bridgeport", std::to_string(port)}});
  return connection;
}

class Eeg64EndToEnd : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bridge.listening()); }

  // The handle as zav_driver_new_eeg64 builds it, on the test's bridge, connected.
  std::unique_ptr<detail::DriverConnection> connectedSet(const std::string& left = "sim:left",
                                                         const std::string& right = "sim:right") {
    const PropertyMap properties(
        {{"left", left}, {"right", right}, {"bridgeport", std::to_string(bridge.port())}});
    auto set = std::make_unique<detail::DriverConnection>(makeDevice(kEeg64Kind, properties), 2);
    set->connect();  // both halves at once
    EXPECT_TRUE(set->driver().isConnected());
    return set;
  }

  test::TempFolder folder;
  test::BridgeProcess bridge{(folder / "bridge.log").string()};
  uint16_t sequence = 0, battery = 0, flags = 0;
};

TEST_F(Eeg64EndToEnd, GivesNaNRecordsUntilTheFirstSharedCodeThenAgreeingHalvesAndSendsSdSettingsToBoth) {
  const auto set = connectedSet();
  ASSERT_TRUE(set->start());
  int unaligned = 0, aligned = 0;
  double largest = 0.0;
  // Codes come every 2 s: within 5 s of blocks the halves are aligned.
  for (int n = 0; n < kBlocksPerSecond * 5 && aligned < kBlocksPerSecond; ++n) {
    SCOPED_TRACE(n);
    const double* record = set->read(sequence, battery, flags);
    ASSERT_NE(record, nullptr);
    const auto isNaN = [](double v) { return std::isnan(v); };
    if (aligned == 0 && flags == kNotSynchronized) {
      ++unaligned;
      ASSERT_TRUE(std::all_of(record, record + set->readDataSize(), isNaN));
      continue;
    }
    ++aligned;
    ASSERT_NE(flags, kNotSynchronized);
    ASSERT_TRUE(std::none_of(record, record + set->readDataSize(), isNaN));
    // Merged EEG channels 32 and 64 (1-based), 8 samples each, carry the halves' shared wave.
    for (std::size_t s = 0; s < 8; ++s) {
      ASSERT_NEAR(record[31 * 8 + s], record[63 * 8 + s], 1e-6) << "sample " << s;
      largest = std::max(largest, std::fabs(record[31 * 8 + s]));
    }
  }
  EXPECT_TRUE(set->stop());
  EXPECT_GT(unaligned, 0);
  EXPECT_EQ(aligned, kBlocksPerSecond);
  EXPECT_GT(largest, 1.0) << "the shared wave is not flat";

  // SD settings reach both sides with their letters; the simulated echo lacks a terminator: a short time-out.
  BaseDriver& driver = set->driver();
  driver.setTimeout(250);
  ASSERT_TRUE(driver.setFolder("session"));
  ASSERT_TRUE(driver.setFile("rec.sdf"));
  driver.disconnect(true);
  for (const auto& [device, file] : {std::pair{"sim:left", "recl.sdf"}, std::pair{"sim:right", "recr.sdf"}}) {
    SCOPED_TRACE(device);
    const auto connection = bridged(device, bridge.port());
    Driver single(connection.get());
    single.connect();
    ASSERT_TRUE(single.isConnected());
    EXPECT_EQ(single.folder(), "session");
    EXPECT_EQ(single.file(), file);
    single.disconnect(true);
  }
}

TEST_F(Eeg64EndToEnd, ALinkLostOnOneSideFailsTheNextReadAndDisconnectsTheOtherSide) {
  // The right half behind a bridge of its own, so that its link alone can be cut.
  test::BridgeProcess rightBridge((folder / "right-bridge.log").string());
  ASSERT_TRUE(rightBridge.listening());
  MultiDriver set;
  set.configure(bridged("sim:left", bridge.port()), bridged("sim:right", rightBridge.port()));
  set.connect();
  ASSERT_TRUE(set.isConnected());
  ASSERT_TRUE(set.start());
  std::vector<double> record;
  for (int n = 0; n < 4; ++n) ASSERT_TRUE(set.read(record, sequence, battery, flags));

  rightBridge.kill();
  // Blocks already on their way may still be read; the loss shows within a second.
  int reads = 0;
  while (reads < kBlocksPerSecond * 2 && set.read(record, sequence, battery, flags)) ++reads;
  EXPECT_LT(reads, kBlocksPerSecond * 2);
  EXPECT_FALSE(set.isConnected());
  EXPECT_FALSE(set.connection()->isConnected()) << "the left side's link is still open";
}

TEST_F(Eeg64EndToEnd, StopsBothHalvesStreamingAt500BlocksPerSecond) {
  for (const bool left : {true, false}) {
    nlohmann::json side = simulatedSetSide(left);
    for (nlohmann::json& signal : side["signals"]) signal["sr"] = 500 * signal["blockSize"].get<int>();
    test::writeFile(folder / (left ? "left.json" : "right.json"), side.dump());
  }
  const auto set =
      connectedSet("sim:" + (folder / "left.json").string(), "sim:" + (folder / "right.json").string());
  ASSERT_EQ(set->driver().frequency(), 500);
  ASSERT_TRUE(set->start());
  int reads = 0;
  for (int n = 0; n < 500; ++n) reads += set->read(sequence, battery, flags) != nullptr ? 1 : 0;
  EXPECT_GT(reads, 0);
  EXPECT_TRUE(set->stop());
  EXPECT_TRUE(set->driver().isConnected());
}

}  // namespace
}  // namespace zav

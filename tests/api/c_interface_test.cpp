// The C interface through the shared library and the public header only, on the simulated device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "zav/zav.h"

namespace {

TEST(CInterface, NullArgumentsGiveTheFailureValue) {
  for (auto call : {zav_driver_free, zav_driver_connect, zav_driver_disconnect, zav_driver_reconnect})
    call(nullptr);
  for (auto query :
       {zav_driver_is_connected, zav_driver_is_running, zav_driver_start, zav_driver_stop,
        zav_driver_has_sd_card_capability, zav_driver_is_sd_card_enabled, zav_driver_record_stop})
    EXPECT_FALSE(query(nullptr));
  for (auto query : {zav_signal_get_channels, zav_signal_get_samples, zav_signal_get_mode})
    EXPECT_EQ(query(nullptr), 0);
  char buffer[8] = "xxxxxxx";
  uint16_t a = 7;
  uint32_t roundTrip = 7;
  int32_t offset = 7;
  EXPECT_FALSE(zav_driver_synchronize(nullptr, &roundTrip, &offset));
  EXPECT_FALSE(zav_signal_set_mode(nullptr, 1));
  EXPECT_FALSE(zav_driver_get_hw_version(nullptr, &a, &a));
  EXPECT_FALSE(zav_driver_enable_sd_card(nullptr, 1));
  for (auto set : {zav_driver_set_folder, zav_driver_set_file, zav_driver_record_start})
    EXPECT_FALSE(set(nullptr, "x.bdf"));
  EXPECT_EQ(zav_driver_read_data_size(nullptr), 0);
  EXPECT_EQ(zav_driver_get_frequency(nullptr), 0);
  EXPECT_EQ(zav_driver_get_number_of_signals(nullptr), 0);
  EXPECT_EQ(zav_driver_import_sd_record(nullptr, "rec", "out"), 0);
  EXPECT_EQ(zav_import_sd_record_bdf(nullptr, "rec", "x.bdf"), 0);
  EXPECT_EQ(zav_driver_import_eeg64_sd_record("l", nullptr, "rec", "out"), 0);
  const void* pointers[] = {zav_driver_read(nullptr, &a, &a, &a),     zav_driver_get_signal(nullptr, 0),
                            zav_driver_get_file(nullptr, nullptr, 0), zav_driver_new_serial(nullptr, 1),
                            zav_driver_new_bluetooth(nullptr, 1),     zav_driver_new_eeg64("left", nullptr)};
  for (std::size_t i = 0; i < std::size(pointers); ++i) EXPECT_EQ(pointers[i], nullptr) << "call " << i;
  EXPECT_EQ(a, 7);
  for (auto batch : {zav_driver_read_blocks, zav_driver_read_planar})
    EXPECT_EQ(batch(nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(zav_driver_get_eeg_impedance(nullptr, 0), zav_driver_impedance_unknown);
  EXPECT_EQ(zav_signal_get_type(nullptr, buffer, sizeof buffer), buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(zav_signal_get_type(nullptr, nullptr, 8), nullptr);
  EXPECT_EQ(zav_driver_get_folder(nullptr, buffer, sizeof buffer), buffer);
}

// A connected simulated device: EEG 32 x 8, ExG_B 2 x 8, IMU_B 9 x 1, FOT 1 x 8, DIN 3 x 8, SD card.
class SimulatedDevice : public testing::Test {
 protected:
  void SetUp() override {
    zav_driver_connect(device);
    ASSERT_TRUE(zav_driver_is_connected(device));
  }
  void TearDown() override { zav_driver_free(device); }

  static constexpr int kFullSize = 32 * 8 + 2 * 8 + 9 + 8 + 3 * 8;
  zav_driver* device = zav_driver_new_simulated(nullptr, zav_dry_eeg_sensor);
};

TEST_F(SimulatedDevice, StreamsConsecutiveFiniteBlocksAndTakesConfigurationOnlyWhenStopped) {
  zav_signal* exg = zav_driver_get_signal(device, 1);
  EXPECT_EQ(zav_driver_get_eeg_impedance(device, 0), zav_driver_impedance_unknown);  // before a start
  ASSERT_TRUE(zav_driver_start(device));
  EXPECT_TRUE(zav_driver_start(device));
  EXPECT_FALSE(zav_signal_set_mode(exg, 0));
  EXPECT_FALSE(zav_driver_set_file(device, "run.sdf"));
  uint16_t previous = 0;
  for (int block = 0; block < 100; ++block) {
    SCOPED_TRACE(block);
    uint16_t sequence = 0, battery = 0, flags = 99;
    const double* values = zav_driver_read(device, &sequence, &battery, &flags);
    ASSERT_NE(values, nullptr);
    EXPECT_TRUE(block == 0 || sequence == static_cast<uint16_t>(previous + 1)) << sequence;
    previous = sequence;
    EXPECT_EQ(flags, 0);
    // Nearly full: the top level once a period is complete.
    EXPECT_TRUE(battery == zav_driver_battery_unknown || battery == 5) << battery;
    for (int i = 0; i < kFullSize; ++i) ASSERT_TRUE(std::isfinite(values[i])) << i;
    EXPECT_LT(std::fabs(values[0]), 2000.0);  // microvolts, far from the 24-bit range
  }
  // Saturated until the first window is full; EEG channels only.
  EXPECT_EQ(zav_driver_get_eeg_impedance(device, 0), zav_driver_impedance_saturated);
  EXPECT_EQ(zav_driver_get_eeg_impedance(device, 32), zav_driver_impedance_unknown);
  ASSERT_TRUE(zav_driver_stop(device));
  EXPECT_FALSE(zav_driver_is_running(device));
  EXPECT_TRUE(zav_driver_stop(device));

  // A mode change resizes the next read; the handle is freed running.
  ASSERT_TRUE(zav_signal_set_mode(exg, 0));
  EXPECT_EQ(zav_driver_read_data_size(device), kFullSize - 16);
  ASSERT_TRUE(zav_driver_start(device));
  EXPECT_NE(zav_driver_read(device, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(SimulatedDevice, SynchronizationFindsTheSteadyOffsetOfTheDeviceClock) {
  uint32_t roundTrip = 0;
  int32_t offsets[2] = {};
  EXPECT_FALSE(zav_driver_synchronize(device, nullptr, &offsets[0]));
  testing::internal::CaptureStdout();
  for (int32_t& offset : offsets) EXPECT_TRUE(zav_driver_synchronize(device, &roundTrip, &offset));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_NE(offsets[0], 0);
  EXPECT_NEAR(offsets[0], offsets[1], 1000);
}

// Signal handles point nowhere while their device is disconnected and keep their modes.
TEST_F(SimulatedDevice, SignalsSkipTheSdCardCutTextToTheCallersBufferAndOutliveADisconnect) {
  zav_signal* signal = zav_driver_get_signal(device, 0);
  char type[3];
  EXPECT_STREQ(zav_signal_get_type(zav_driver_get_signal(device, 1), type, sizeof type), "Ex");
  char untouched[2] = {'z', 'z'};
  zav_signal_get_type(signal, untouched, 0);
  EXPECT_EQ(untouched[0], 'z');
  uint16_t version = 0;
  EXPECT_FALSE(zav_driver_get_hw_version(device, nullptr, &version));
  EXPECT_FALSE(zav_driver_set_folder(device, nullptr));
  EXPECT_EQ(zav_driver_get_folder(device, nullptr, 10), nullptr);

  ASSERT_TRUE(zav_signal_set_mode(signal, 0));
  zav_driver_disconnect(device);
  EXPECT_EQ(zav_driver_get_frequency(device), 0);
  EXPECT_EQ(zav_signal_get_channels(signal), 0);
  EXPECT_FALSE(zav_signal_set_mode(signal, 1));
  EXPECT_STREQ(zav_signal_get_type(signal, type, sizeof type), "");
  EXPECT_FALSE(zav_driver_get_hw_version(device, &version, &version));
  EXPECT_FALSE(zav_driver_stop(device));

  zav_driver_connect(device);
  EXPECT_EQ(zav_signal_get_channels(signal), 32);
  zav_driver_reconnect(device);
  ASSERT_TRUE(zav_driver_is_connected(device));
  EXPECT_EQ(zav_driver_get_number_of_signals(device), 5);
  EXPECT_EQ(zav_signal_get_mode(signal), 0);
}

TEST(LogHandler, LinesFromSeveralThreadsArriveWholeAndErrorsStayPerThread) {
  std::vector<std::string> lines;
  // Deliberately unlocked: the library hands over one line at a time.
  zav_set_log_handler(
      [](const char* line, void* user) { static_cast<std::vector<std::string>*>(user)->push_back(line); },
      &lines);
  constexpr int kThreads = 4, kConnects = 25;
  const auto pathOf = [](int t) { return "/nonexistent/device-" + std::to_string(t) + ".json"; };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      zav_driver* device = zav_driver_new_simulated(pathOf(t).c_str(), zav_dry_eeg_sensor);
      for (int i = 0; i < kConnects; ++i) zav_driver_connect(device);
      EXPECT_STREQ(zav_last_error(), "could not connect to the device");
      zav_driver_free(device);
    });
  }
  for (std::thread& thread : threads) thread.join();
  zav_set_log_handler(nullptr, nullptr);
  EXPECT_STREQ(zav_last_error(), "");
  ASSERT_GE(lines.size(), static_cast<std::size_t>(kThreads * kConnects));
  for (int t = 0; t < kThreads; ++t) {
    const auto ofThread = [&](const std::string& line) { return line.find(pathOf(t)) != std::string::npos; };
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), ofThread) * kThreads,
              static_cast<std::ptrdiff_t>(lines.size()))
        << t;
  }
  EXPECT_TRUE(
      std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.find('\n') != l.npos; }));
}

}  // namespace

// The C interface on a two-device set: the exported functions over the handle that
// zav_driver_new_eeg64 builds, its halves the simulated ones behind rfbridge (a child process
// on a port of the test's own rather than the default one).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "api/driver_connection.h"
#include "api/make_device.h"
#include "driver/driver.h"
#include "support/bridge_process.h"
#include "support/temp_folder.h"
#include "transport/bluetooth_connection.h"
#include "zav/zav.h"

namespace zav {
namespace {

class Eeg64Handle : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bridge.listening());
    const PropertyMap properties(PropertyValues{
        {"left", "sim:left"}, {"right", "sim:right"}, {"bridgePort", std::to_string(bridge.port())}});
    handle = reinterpret_cast<zav_driver*>(
        std::make_unique<detail::DriverConnection>(makeDevice(kEeg64Kind, properties), zav_water_eeg_sensor)
            .release());
    zav_driver_connect(handle);
    ASSERT_TRUE(zav_driver_is_connected(handle));
  }
  void TearDown() override { zav_driver_free(handle); }

  // The mode of a device signal as the device itself reports it to a client of its own.
  int deviceMode(const std::string& device, uint32_t index) {
    BluetoothConnection connection;
    connection.setProperties({{"device", device}, {"bridgeport", std::to_string(bridge.port())}});
    Driver single(&connection);
    single.connect();
    return single.isConnected() ? single.signal(index).mode : -1;
  }

  test::TempFolder folder;
  test::BridgeProcess bridge{(folder / "bridge.log").string()};
  zav_driver* handle = nullptr;
};

std::string typeOf(zav_signal* signal) {
  char type[16];
  return zav_signal_get_type(signal, type, sizeof type);
}

constexpr int kAllSignals = 64 * 8 + 4 * 8 + 9 + 9 + 2 * 8;

TEST_F(Eeg64Handle, ListsTheMergedHostSignalsAndSendsTheLeftImuModeToTheLeftDeviceOnly) {
  struct Expected {
    const char* type;
    int channels;
    int samples;
  };
  const Expected expected[] = {
      {"EEG", 64, 8}, {"ExG_B", 4, 8}, {"IMU_B", 9, 1}, {"IMU_B", 9, 1}, {"FOT", 2, 8}};
  ASSERT_EQ(zav_driver_get_number_of_signals(handle), 5);  // the "uSD" entry is left out
  for (uint16_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    zav_signal* signal = zav_driver_get_signal(handle, i);
    EXPECT_EQ(typeOf(signal), expected[i].type);
    EXPECT_EQ(zav_signal_get_channels(signal), expected[i].channels);
    EXPECT_EQ(zav_signal_get_samples(signal), expected[i].samples);
    EXPECT_EQ(zav_signal_get_mode(signal), 1);
  }
  EXPECT_EQ(zav_driver_read_data_size(handle), kAllSignals);

  zav_signal* leftImu = zav_driver_get_signal(handle, 2);
  ASSERT_TRUE(zav_signal_set_mode(leftImu, 0));
  EXPECT_EQ(zav_signal_get_mode(leftImu), 0);
  EXPECT_EQ(zav_signal_get_mode(zav_driver_get_signal(handle, 3)), 1);
  EXPECT_EQ(zav_driver_read_data_size(handle), kAllSignals - 9);

  zav_driver_disconnect(handle);
  EXPECT_EQ(deviceMode("sim:left", 2), 0);
  EXPECT_EQ(deviceMode("sim:right", 2), 1);
}

TEST_F(Eeg64Handle, GradesTheImpedanceOfAllSixtyFourChannelsAfterTenSeconds) {
  EXPECT_EQ(zav_driver_get_eeg_impedance(handle, 0), zav_driver_impedance_unknown);  // before a start
  ASSERT_TRUE(zav_driver_start(handle));
  uint16_t sequence = 0, battery = 0, flags = 0;
  // Eleven seconds of blocks: the ten-second window, and an update after it.
  for (int n = 0; n < 32 * 11; ++n) {
    ASSERT_NE(zav_driver_read(handle, &sequence, &battery, &flags), nullptr) << n;
  }
  EXPECT_NE(flags, zav_driver_flags_eeg64_not_synchronized);
  for (uint16_t channel = 0; channel < 64; ++channel) {
    EXPECT_NE(zav_driver_get_eeg_impedance(handle, channel), zav_driver_impedance_unknown) << channel;
  }
  EXPECT_EQ(zav_driver_get_eeg_impedance(handle, 64), zav_driver_impedance_unknown);
  EXPECT_TRUE(zav_driver_stop(handle));
}

// Signal handles taken before a disconnect: the set is not there to take a mode.
TEST_F(Eeg64Handle, StaleSignalHandlesAndADisconnectedSetGiveTheFailureValue) {
  zav_signal* eeg = zav_driver_get_signal(handle, 0);
  zav_driver_disconnect(handle);
  EXPECT_FALSE(zav_driver_is_connected(handle));
  EXPECT_FALSE(zav_signal_set_mode(eeg, 0));
  EXPECT_FALSE(zav_signal_set_mode(zav_driver_get_signal(handle, 2), 0));
  EXPECT_EQ(zav_driver_read_data_size(handle), kAllSignals);
  EXPECT_FALSE(zav_driver_start(handle));
  EXPECT_EQ(zav_driver_read(handle, nullptr, nullptr, nullptr), nullptr);
}

}  // namespace
}  // namespace zav

// The exported functions over a two-device handle, the simulated halves behind an rfbridge child.
#include <gtest/gtest.h>

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

constexpr int kAllSignals = 64 * 8 + 4 * 8 + 9 + 9 + 2 * 8;

TEST(Eeg64Handle, GradesAllSixtyFourChannelsAndSendsTheLeftImuModeToTheLeftDeviceOnly) {
  test::TempFolder folder;
  test::BridgeProcess bridge{(folder / "bridge.log").string()};
  ASSERT_TRUE(bridge.listening());
  const std::string port = std::to_string(bridge.port());
  const PropertyMap properties(
      PropertyValues{{"left", "sim:left"}, {"right", "sim:right"}, {"bridgePort", port}});
  detail::DriverConnection set(makeDevice(kEeg64Kind, properties), zav_water_eeg_sensor);
  zav_driver* handle = reinterpret_cast<zav_driver*>(&set);
  zav_driver_connect(handle);
  ASSERT_TRUE(zav_driver_is_connected(handle));
  // The mode of a device signal as the device itself reports it to a client of its own.
  const auto deviceMode = [&](const std::string& device, uint32_t index) {
    BluetoothConnection connection;
    connection.setProperties({{"device", device}, {"bridgeport", port}});
    Driver single(&connection);
    single.connect();
    return single.isConnected() ? single.signal(index).mode : -1;
  };

  EXPECT_EQ(zav_driver_get_eeg_impedance(handle, 0), zav_driver_impedance_unknown);  // before a start
  ASSERT_TRUE(zav_driver_start(handle));
  uint16_t sequence = 0, battery = 0, flags = 0;
  // Eleven seconds of blocks: the ten-second window, and an update after it.
  for (int n = 0; n < 32 * 11; ++n)
    ASSERT_NE(zav_driver_read(handle, &sequence, &battery, &flags), nullptr) << n;
  EXPECT_NE(flags, zav_driver_flags_eeg64_not_synchronized);
  for (uint16_t channel = 0; channel < 64; ++channel)
    EXPECT_NE(zav_driver_get_eeg_impedance(handle, channel), zav_driver_impedance_unknown) << channel;
  EXPECT_EQ(zav_driver_get_eeg_impedance(handle, 64), zav_driver_impedance_unknown);
  EXPECT_TRUE(zav_driver_stop(handle));

  std::string list;  // the "uSD" entry is left out
  for (uint16_t i = 0; i < zav_driver_get_number_of_signals(handle); ++i) {
    zav_signal* signal = zav_driver_get_signal(handle, i);
    char type[16];
    list += std::string(zav_signal_get_type(signal, type, sizeof type)) + " " +
            std::to_string(zav_signal_get_channels(signal)) + "x" +
            std::to_string(zav_signal_get_samples(signal)) + " " +
            std::to_string(zav_signal_get_mode(signal)) + ", ";
  }
  EXPECT_EQ(list, "EEG 64x8 1, ExG_B 4x8 1, IMU_B 9x1 1, IMU_B 9x1 1, FOT 2x8 1, ");
  EXPECT_EQ(zav_driver_read_data_size(handle), kAllSignals);

  zav_signal* leftImu = zav_driver_get_signal(handle, 2);
  ASSERT_TRUE(zav_signal_set_mode(leftImu, 0));
  EXPECT_EQ(zav_signal_get_mode(zav_driver_get_signal(handle, 3)), 1);
  EXPECT_EQ(zav_driver_read_data_size(handle), kAllSignals - 9);

  zav_driver_disconnect(handle);
  EXPECT_FALSE(zav_signal_set_mode(leftImu, 1));
  EXPECT_FALSE(zav_signal_set_mode(zav_driver_get_signal(handle, 0), 0));
  EXPECT_EQ(zav_driver_read_data_size(handle), kAllSignals - 9);
  EXPECT_FALSE(zav_driver_start(handle));
  EXPECT_EQ(zav_driver_read(handle, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(deviceMode("sim:left", 2), 0);
  EXPECT_EQ(deviceMode("sim:right", 2), 1);
}

}  // namespace
}  // namespace zav

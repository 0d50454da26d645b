// The driver through the real serial transport to a pseudo-terminal; Python tests check exact values.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/battery_estimator.h"
#include "driver/driver.h"
#include "support/pty_device.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

using test::PtyDevice;

const SignalList kDeviceSignals = {{"EEG", 8, 3, 1, 1}, {"ACC", 3, 2, 1, 0}, {"uSD", 0, 0, 0, 0}};

struct Rig {
  Rig() : device(kDeviceSignals), driver(&usb) { usb.setProperties({{"path", device.path()}}); }

  // How many of the commands received begin with these bytes.
  auto count(const std::string& command) const {
    const auto received = device.received();
    return std::count_if(received.begin(), received.end(),
                         [&](const std::string& r) { return r.compare(0, command.size(), command) == 0; });
  }
  bool read() { return driver.read(values, sequence, battery, flags); }

  PtyDevice device;
  UsbConnection usb;
  Driver driver;
  std::vector<double> values;
  uint16_t sequence = 0, battery = 0, flags = 0;
};

TEST(DriverOnSerialDevice, ConnectsAfterARefusalStopsAStreamingDeviceThenStreamsUntilAHangUp) {
  Rig rig;
  rig.device.inject("gc", PtyDevice::Fault::error);
  rig.driver.connect();  // a refusal during connect leaves the driver disconnected
  EXPECT_FALSE(rig.driver.isConnected());
  EXPECT_FALSE(rig.usb.isConnected());
  rig.device.start();  // the device streams before the host's next try
  rig.driver.connect();
  ASSERT_TRUE(rig.driver.isConnected());
  EXPECT_FALSE(rig.driver.isRunning());
  EXPECT_FALSE(rig.device.streaming());
  EXPECT_EQ(rig.driver.signals(), kDeviceSignals);

  const std::size_t before = rig.device.received().size();
  rig.driver.connect();
  EXPECT_EQ(rig.device.received().size(), before) << "already connected";

  // Streaming until the device falls silent, which leaves the driver running, and then hangs up.
  EXPECT_TRUE(rig.driver.stop());  // idle: true without "p"
  ASSERT_TRUE(rig.driver.start());
  ASSERT_TRUE(rig.driver.start());
  uint16_t first = 0;
  for (int i = 0; i < 120; ++i) {
    ASSERT_TRUE(rig.read()) << i;
    first = i == 0 ? rig.sequence : first;
    EXPECT_EQ(rig.sequence, static_cast<uint16_t>(first + i));
    ASSERT_EQ(rig.values.size(), 8u);
  }
  // 3700 mV peaks are below the 3740 threshold: level 3 once a second of blocks has passed.
  EXPECT_EQ(rig.battery, 3);
  EXPECT_EQ(rig.count("p"), 2);  // only those of the two connects
  EXPECT_EQ(rig.count("s"), 1);  // the second start sent nothing
  EXPECT_EQ(rig.count("ct"), 1);

  rig.device.stop();
  ASSERT_TRUE(rig.driver.setTimeout(200));
  while (rig.read()) continue;
  EXPECT_TRUE(rig.driver.isRunning());
  rig.device.start();
  ASSERT_TRUE(rig.read());
  rig.device.hangUp();
  while (rig.read()) continue;
  EXPECT_FALSE(rig.driver.isConnected());
  EXPECT_FALSE(rig.usb.isConnected());
}

// c_interface_test covers changes refused while streaming; driver_connection_test a resumed stream.
TEST(DriverOnSerialDevice, ConfigurationChangesAreReadBackUndoneWhenFailedAndRestoredOnReconnection) {
  Rig rig;
  rig.driver.connect();
  // A mode that the device's signal record cannot carry is not sent at all.
  for (const uint8_t mode : {uint8_t{200}, uint8_t{100}, uint8_t{0xF6}})  // -56, 100, -10
    EXPECT_FALSE(rig.driver.setSignalMode(0, mode)) << int{mode};
  EXPECT_EQ(rig.count("cc"), 0);

  // The device stores the modes but reports another list: it gets the previous ones back.
  rig.device.inject("gc", PtyDevice::Fault::answer, "");
  EXPECT_FALSE(rig.driver.setSignalMode(0, 0));
  EXPECT_EQ(rig.count("cc"), 2);
  EXPECT_EQ(rig.device.signals(), kDeviceSignals);
  EXPECT_EQ(rig.driver.signals(), kDeviceSignals);
  EXPECT_TRUE(rig.driver.setSignalMode(0, 99));

  EXPECT_TRUE(rig.driver.setFolder("./data//run1/"));
  EXPECT_EQ(rig.count(std::string("cddata\\run1\\") + '\0'), 1);
  rig.device.inject("gd", PtyDevice::Fault::answer, "elsewhere");
  EXPECT_FALSE(rig.driver.setFolder("other"));
  EXPECT_EQ(rig.driver.folder(), "data\\run1\\");

  // ACC on, then the SD card: the block grows by ACC's values.
  EXPECT_TRUE(rig.driver.setSignalMode(1, 1));
  EXPECT_TRUE(rig.driver.enableSdCard(true));
  EXPECT_FALSE(rig.driver.setSignalMode(3, 1));  // no such signal: nothing sent
  ASSERT_TRUE(rig.driver.setFile("kept.sdf"));

  // A reconnection gives the stopped device the host's settings again.
  rig.driver.disconnect(false);
  EXPECT_EQ(rig.driver.deviceName(), "Unavailable");
  rig.driver.connect();
  EXPECT_TRUE(rig.driver.isConnected());
  const auto received = rig.device.received();
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(received[received.size() - 3].substr(0, 2), "cc");
  EXPECT_EQ(received[received.size() - 2], std::string("cakept.sdf") + '\0');
  EXPECT_EQ(received[received.size() - 1], std::string("cddata\\run1\\") + '\0');

  rig.driver.disconnect(false);
  rig.device.start();  // started by someone else while the host was away
  rig.driver.connect();
  ASSERT_TRUE(rig.driver.isRunning());
  ASSERT_TRUE(rig.read());
  EXPECT_EQ(rig.values.size(), 11u);
  EXPECT_EQ(rig.battery, BatteryEstimator::kUnknown);
}

}  // namespace
}  // namespace zav

// The serial transport against a device behind a pseudo-terminal: read time-outs,
// partial reads, delimited messages, exclusive use, line settings and a vanishing device.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "api/property_map.h"
#include "platform/serial_port.h"
#include "support/pty_device.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

using test::PtyDevice;

PropertyValues pathProperties(const std::string& path) {
  PropertyMap props;
  props.set<std::string>("path", path);
  return props.values();
}

class SerialPtyTest : public testing::Test {
 protected:
  SerialPtyTest() : device(SignalList{SignalInfo("EEG", 2, 3, 1, 1)}) {
    connection.setProperties(pathProperties(device.path()));
  }

  void openWithTimeout(uint32_t milliseconds) {
    ASSERT_TRUE(connection.open());
    ASSERT_TRUE(connection.setTimeout(milliseconds));
  }

  // Lets bytes the device sent reach the port's input before a read looks at it.
  static void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(200)); }

  PtyDevice device;
  UsbConnection connection;
};

TEST_F(SerialPtyTest, ReadWaitsForTheTimeOutAndThenReportsNothing) {
  openWithTimeout(300);
  EXPECT_EQ(connection.timeout(), 300u);
  uint8_t buffer[64];
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(connection.read(buffer, sizeof buffer), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200));
  EXPECT_TRUE(connection.isConnected());
}

TEST_F(SerialPtyTest, ReadReturnsWhatIsBufferedWithoutWaitingForMore) {
  openWithTimeout(2000);
  device.send("0123456789");
  settle();
  uint8_t buffer[1024];
  ASSERT_EQ(connection.read(buffer, sizeof buffer), 10);
  EXPECT_EQ(std::string(buffer, buffer + 10), "0123456789");

  // A byte that arrives while the read waits ends the wait at once.
  std::thread late([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    device.send("x");
  });
  EXPECT_EQ(connection.read(buffer, sizeof buffer), 1);
  EXPECT_EQ(buffer[0], 'x');
  late.join();
}

TEST_F(SerialPtyTest, ReadUntilCollectsOneDelimitedMessage) {
  openWithTimeout(300);
  uint8_t buffer[16];
  device.send(std::string("OK\0", 3));
  ASSERT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 2);
  EXPECT_EQ(std::string(buffer, buffer + 2), "OK");

  device.send("OK");  // and then silence
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);

  // Never more than the maximum; the rest stays for the next message.
  uint8_t bounded[8];
  std::fill(std::begin(bounded), std::end(bounded), 0xEE);
  device.send(std::string("ABCDEFGH\0", 9));
  ASSERT_EQ(connection.readUntil(bounded, 4, 0), 4);
  EXPECT_EQ(std::string(bounded, bounded + 4), "ABCD");
  EXPECT_EQ(bounded[4], 0xEE);
  ASSERT_EQ(connection.readUntil(bounded, sizeof bounded, 0), 4);
  EXPECT_EQ(std::string(bounded, bounded + 4), "EFGH");
}

TEST_F(SerialPtyTest, CommandsWrittenToThePortReachTheDeviceAndItsAnswerComesBack) {
  openWithTimeout(2000);
  const std::string command = "gv";
  ASSERT_EQ(connection.write(reinterpret_cast<const uint8_t*>(command.data()), 2), 2);
  uint8_t buffer[64];
  const int32_t length = connection.readUntil(buffer, sizeof buffer, 0);
  ASSERT_GT(length, 0);
  EXPECT_EQ(std::string(buffer, buffer + length), PtyDevice::Settings().version);
  ASSERT_EQ(device.received().size(), 1u);
  EXPECT_EQ(device.received()[0], "gv");
}

TEST_F(SerialPtyTest, LineRunsRawAt460800EightNoneOneByDefault) {
  openWithTimeout(100);
  const PtyDevice::Line line = device.line();
  EXPECT_EQ(line.baudRate, 460800u);
  EXPECT_EQ(line.dataBits, 8);
  EXPECT_FALSE(line.parity);
  EXPECT_EQ(line.stopBits, 1);
  EXPECT_TRUE(line.raw);
  ASSERT_TRUE(connection.close());

  PropertyMap props(pathProperties(device.path()));
  props.set<int>("baudRate", 115200);
  connection.setProperties(props.values());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(device.line().baudRate, 115200u);
}

TEST_F(SerialPtyTest, RateWithoutASystemSpeedFailsClearlyInsteadOfRunningAnother) {
  PropertyMap props(pathProperties(device.path()));
  props.set<int>("baudRate", 123456);
  connection.setProperties(props.values());
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unsupported baud rate 123456\n");
  EXPECT_FALSE(connection.isConnected());
}

TEST_F(SerialPtyTest, PortIsHeldExclusivelyUntilClosed) {
  openWithTimeout(100);
  UsbConnection second;
  second.setProperties(pathProperties(device.path()));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(second.open());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Unable to connect to port " + device.path() + "\nError ", 0), 0u) << printed;

  EXPECT_TRUE(connection.close());
  EXPECT_TRUE(connection.close());
  ASSERT_TRUE(second.open());
  EXPECT_TRUE(second.close());
  // A closed connection opens again.
  EXPECT_TRUE(connection.open());
}

TEST_F(SerialPtyTest, VanishedDeviceShowsAsALostLink) {
  openWithTimeout(2000);
  device.hangUp();
  uint8_t buffer[16];
  EXPECT_EQ(connection.read(buffer, sizeof buffer), -1);
  EXPECT_FALSE(connection.isConnected());
  EXPECT_EQ(connection.read(buffer, sizeof buffer), -1);
  EXPECT_EQ(connection.write(buffer, 1), -1);
}

TEST_F(SerialPtyTest, DeviceVanishingDuringAWaitEndsTheWaitAsALostLink) {
  openWithTimeout(10000);
  std::thread unplug([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    device.hangUp();
  });
  uint8_t buffer[16];
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(9));
  EXPECT_FALSE(connection.isConnected());
  unplug.join();
}

TEST(SerialPortNamesTest, PortNumbersNameModemDevices) {
  EXPECT_EQ(platform::serialPathForPort(12), "/dev/ttyACM12");
  EXPECT_EQ(platform::serialDisplayName("/dev/ttyACM12"), "/dev/ttyACM12");
}

}  // namespace
}  // namespace zav

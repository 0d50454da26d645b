// The serial transport on Windows against a scripted device on a COM port. The device
// and the port mapping come from wine_serial_device.py, which names the port number in
// ZAV_SERIAL_TEST_PORT; its requests end in a line feed. The tests run in order, and the
// last one unplugs the device. Time-outs under wine are loose, so no timing is checked.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "api/property_map.h"
#include "platform/serial_port.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

int testPort() {
  const char* port = std::getenv("ZAV_SERIAL_TEST_PORT");
  return port == nullptr ? 0 : std::atoi(port);
}

PropertyValues portProperties() {
  PropertyMap props;
  props.set<int>("port", testPort());
  return props.values();
}

class SerialWinTest : public testing::Test {
 protected:
  void SetUp() override {
    if (testPort() == 0) GTEST_SKIP() << "run through wine_serial_device.py";
    connection.setProperties(portProperties());
    ASSERT_TRUE(connection.open());
    ASSERT_TRUE(connection.setTimeout(1000));
  }

  void request(const std::string& text) {
    const std::string line = text + "\n";
    ASSERT_EQ(connection.write(reinterpret_cast<const uint8_t*>(line.data()), static_cast<uint32_t>(line.size())),
              static_cast<int32_t>(line.size()));
  }

  std::string message() {
    uint8_t buffer[256];
    const int32_t length = connection.readUntil(buffer, sizeof buffer, 0);
    return length > 0 ? std::string(buffer, buffer + length) : std::string();
  }

  UsbConnection connection;
};

TEST(SerialWinNamesTest, PortNumbersUseTheDeviceNamespace) {
  EXPECT_EQ(platform::serialPathForPort(12), "\\\\.\\COM12");
  EXPECT_EQ(platform::serialDisplayName("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(platform::serialDisplayName("COM3"), "COM3");
}

TEST_F(SerialWinTest, OpensByNumberAndKeepsTheTimeOutItWasGiven) {
  EXPECT_TRUE(connection.isConnected());
  EXPECT_EQ(connection.name(), "COM " + std::to_string(testPort()));
  EXPECT_EQ(connection.timeout(), 1000u);
  ASSERT_TRUE(connection.setTimeout(400));
  EXPECT_EQ(connection.timeout(), 400u);
}

TEST_F(SerialWinTest, OpensByComNameToo) {
  ASSERT_TRUE(connection.close());
  UsbConnection byName;
  PropertyMap props;
  props.set<std::string>("path", "COM" + std::to_string(testPort()));
  byName.setProperties(props.values());
  ASSERT_TRUE(byName.open());
  EXPECT_EQ(byName.name(), "COM" + std::to_string(testPort()));
  EXPECT_TRUE(byName.close());
}

TEST_F(SerialWinTest, SilentDeviceReadsAsATimeOut) {
  uint8_t buffer[16];
  EXPECT_EQ(connection.read(buffer, sizeof buffer), 0);
  EXPECT_TRUE(connection.isConnected());
}

TEST_F(SerialWinTest, WrittenRequestIsAnswered) {
  request("version");
  EXPECT_EQ(message(), "HW9.0_FW1.6");
  const std::string text(200, 'z');
  request("echo " + text);
  EXPECT_EQ(message(), text);
}

TEST_F(SerialWinTest, ReadReturnsWhatIsBufferedWithoutWaitingForMore) {
  request("burst");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  uint8_t buffer[1024];
  ASSERT_EQ(connection.read(buffer, sizeof buffer), 10);
  EXPECT_EQ(std::string(buffer, buffer + 10), "0123456789");
}

TEST_F(SerialWinTest, ReadUntilStopsAtTheDelimiterOrGivesNothingOnSilence) {
  request("ok");
  EXPECT_EQ(message(), "OK");
  request("half");
  uint8_t buffer[16];
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);
}

TEST_F(SerialWinTest, PortIsHeldExclusively) {
  // Windows gives a COM port to one handle at a time; wine lets a second one share it.
  if (std::getenv("ZAV_SERIAL_TEST_UNDER_WINE") != nullptr) GTEST_SKIP() << "wine shares COM ports";
  UsbConnection second;
  second.setProperties(portProperties());
  testing::internal::CaptureStdout();
  EXPECT_FALSE(second.open());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Unable to connect to port COM " + std::to_string(testPort()) + "\nError ", 0), 0u)
      << printed;
}

TEST_F(SerialWinTest, ClosedPortCanBeOpenedAgain) {
  EXPECT_TRUE(connection.close());
  EXPECT_TRUE(connection.close());
  EXPECT_FALSE(connection.isConnected());
  UsbConnection second;
  second.setProperties(portProperties());
  ASSERT_TRUE(second.open());
  EXPECT_TRUE(second.close());
}

// Last: the device is gone afterwards.
TEST_F(SerialWinTest, VanishedDeviceEndsTheConnection) {
  request("hangup");
  uint8_t buffer[16];
  int32_t result = 0;
  for (int attempt = 0; attempt < 5 && result == 0; ++attempt) result = connection.read(buffer, sizeof buffer);
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(connection.isConnected());
  EXPECT_EQ(connection.write(buffer, 1), -1);
}

}  // namespace
}  // namespace zav

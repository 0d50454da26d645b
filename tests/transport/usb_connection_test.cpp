// UsbConnection behaviour that needs no device: naming, configuration errors, and the
// guards on a connection that is not open.
#include "transport/usb_connection.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "api/property_map.h"

namespace zav {
namespace {

PropertyValues portProperties(int port) {
  PropertyMap props;
  props.set<int>("port", port);
  return props.values();
}

TEST(UsbConnectionTest, NamesThePortItIsConfiguredWith) {
  UsbConnection byNumber;
  byNumber.setProperties(portProperties(12));
  EXPECT_EQ(byNumber.name(), "COM 12");

  UsbConnection byPath;
  PropertyMap props;
  props.set<std::string>("Path", "/dev/ttyUSB3");
  props.set<int>("port", 5);  // the path wins
  byPath.setProperties(props.values());
  EXPECT_EQ(byPath.name(), "/dev/ttyUSB3");
  EXPECT_FALSE(byPath.keepsDeviceClock());
}

TEST(UsbConnectionTest, MissingPortRaisesTheMissingKeyErrorFromOpen) {
  UsbConnection connection;
  try {
    connection.open();
    FAIL() << "open without a port must throw";
  } catch (const std::invalid_argument& error) {
    EXPECT_EQ(std::string(error.what()), "port property not in the map");
  }
  EXPECT_FALSE(connection.isConnected());
}

TEST(UsbConnectionTest, ClosedConnectionRefusesTransfersAndClosesQuietly) {
  UsbConnection connection;
  connection.setProperties(portProperties(3));
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.read(buffer, sizeof buffer), -1);
  EXPECT_EQ(connection.write(buffer, sizeof buffer), -1);
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), -1);
  EXPECT_TRUE(connection.close());
  EXPECT_TRUE(connection.close());
  EXPECT_FALSE(connection.isConnected());
}

TEST(UsbConnectionTest, PortThatDoesNotExistFailsWithTheTwoLines) {
  UsbConnection connection;
  connection.setProperties(portProperties(250));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Unable to connect to port COM 250\nError ", 0), 0u) << printed;
  EXPECT_EQ(printed.back(), '\n');
  EXPECT_FALSE(connection.isConnected());
  uint8_t byte = 0;
  EXPECT_EQ(connection.read(&byte, 1), -1);
}

}  // namespace
}  // namespace zav

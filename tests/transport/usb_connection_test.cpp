// UsbConnection behaviour that needs no device: naming, configuration errors, and the
// guards on a connection that is not open.
#include "transport/usb_connection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include "common/property_map.h"
#include "platform/io_result.h"

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

// Serial ports and sockets share one reading of the system's error codes; an error not
// known to mean a time-out or a lost link is a failure on every system.
TEST(UsbConnectionTest, SystemErrorsMapAlikeOnEverySystem) {
  using platform::IoStatus;
#ifdef _WIN32
  const std::pair<unsigned long, IoStatus> cases[] = {
      {87, IoStatus::failed},        // ERROR_INVALID_PARAMETER
      {998, IoStatus::failed},       // ERROR_NOACCESS
      {1617, IoStatus::linkLost},    // ERROR_DEVICE_REMOVED
      {10060, IoStatus::timedOut},   // WSAETIMEDOUT
      {10054, IoStatus::linkLost},   // WSAECONNRESET
      {31, IoStatus::linkLost}};     // ERROR_GEN_FAILURE
#else
  const std::pair<unsigned long, IoStatus> cases[] = {
      {EINVAL, IoStatus::failed}, {EBADF, IoStatus::failed}, {EAGAIN, IoStatus::timedOut},
      {ECONNRESET, IoStatus::linkLost}, {EIO, IoStatus::linkLost}};
#endif
  for (const auto& [error, status] : cases) EXPECT_EQ(platform::ioStatusOfError(error), status) << error;
}

TEST(UsbConnectionTest, PortThatDoesNotExistFailsWithTheTwoLinesAndStaysClosed) {
  UsbConnection connection;
  connection.setProperties(portProperties(250));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Unable to connect to port COM 250\nError ", 0), 0u) << printed;
  EXPECT_EQ(printed.back(), '\n');
  EXPECT_FALSE(connection.isConnected());
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.read(buffer, sizeof buffer), -1);
  EXPECT_EQ(connection.write(buffer, sizeof buffer), -1);
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), -1);
  EXPECT_TRUE(connection.close());
  EXPECT_TRUE(connection.close());
}

}  // namespace
}  // namespace zav

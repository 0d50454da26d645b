// The serial transport on a pseudo-terminal, or under wine on the port of wine_serial_device.py.
#include "platform/serial_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/io_result.h"
#include "transport/usb_connection.h"
#ifndef _WIN32
#include "support/pty_device.h"
#endif

namespace zav {
namespace {

using namespace std::string_literals;

#ifdef _WIN32
// wine lets a second handle share a COM port, and its time-outs are loose.
constexpr bool kUnderWine = true;
const int kPort = std::getenv("ZAV_SERIAL_TEST_PORT") ? std::atoi(std::getenv("ZAV_SERIAL_TEST_PORT")) : 0;
#else
constexpr bool kUnderWine = false;
#endif

// The device behind the port: it sends the bytes, or without bytes hangs up, afterMs after the call.
class Device {
 public:
  explicit Device(UsbConnection& port) : port_(port) {}
  void send(const std::string& bytes, int afterMs = 0) { request(afterMs, bytes); }
  void hangUp(int afterMs) { request(afterMs, std::nullopt); }
#ifdef _WIN32
  std::string path() const {
    return kPort == 0 ? std::string() : "COM" + std::to_string(kPort);
  }

 private:
  // A request line to wine_serial_device.py, through the port under test.
  void request(int afterMs, const std::optional<std::string>& bytes) {
    std::string line = (bytes ? "say " : "hangup ") + std::to_string(afterMs) + " ";
    for (const unsigned char c : bytes.value_or(""))
      line += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    line += '\n';
    const auto* data = reinterpret_cast<const uint8_t*>(line.data());
    EXPECT_EQ(port_.write(data, static_cast<uint32_t>(line.size())), static_cast<int32_t>(line.size()));
  }
#else
  std::string path() const {
    return pty.path();
  }
  test::PtyDevice pty{SignalList{}};

 private:
  void request(int afterMs, const std::optional<std::string>& bytes) {
    done_ = std::async(std::launch::async, [this, afterMs, bytes] {
      std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
      bytes ? pty.send(*bytes) : pty.hangUp();
    });
  }
  std::future<void> done_;  // a std::async result waits for its task when replaced or destroyed
#endif
  [[maybe_unused]] UsbConnection& port_;
};

TEST(UsbConnectionTest, APathWinsOverANumberAndSystemErrorsMapAlikeOnEverySystem) {
  UsbConnection byPath;
  byPath.setProperties({{"Path", "/dev/ttyUSB3"}, {"port", "5"}});
  EXPECT_EQ(byPath.name(), "/dev/ttyUSB3");

  // Serial ports and sockets share one reading of error codes; an unknown one is a failure.
  using platform::IoStatus;
#ifdef _WIN32
  EXPECT_EQ(platform::serialPathForPort(12), "\\\\.\\COM12");
  EXPECT_EQ(platform::serialDisplayName("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(platform::serialDisplayName("COM3"), "COM3");
  const std::pair<unsigned long, IoStatus> cases[] = {
      {87, IoStatus::failed},      {998, IoStatus::failed},     // INVALID_PARAMETER, NOACCESS
      {1617, IoStatus::linkLost},  {31, IoStatus::linkLost},    // DEVICE_REMOVED, GEN_FAILURE
      {10060, IoStatus::timedOut}, {10054, IoStatus::linkLost}  // WSAETIMEDOUT, WSAECONNRESET
  };
#else
  const std::pair<unsigned long, IoStatus> cases[] = {
      {EINVAL, IoStatus::failed}, {EBADF, IoStatus::failed},        {EAGAIN, IoStatus::timedOut},
      {EIO, IoStatus::linkLost},  {ECONNRESET, IoStatus::linkLost},
  };
#endif
  for (const auto& [error, status] : cases) EXPECT_EQ(platform::ioStatusOfError(error), status) << error;
}

TEST(UsbConnectionTest, OpenWithoutAPortThrowsAndAMissingPortFailsWithTwoLinesAndStaysClosed) {
  UsbConnection connection;
  EXPECT_THROW(connection.open(), std::invalid_argument);
  connection.setProperties({{"port", "250"}});
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("Unable to connect to port COM 250\nError ", 0), 0u) << printed;
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), -1) << "stays closed";
}

class SerialPortTest : public testing::Test {
 protected:
  void SetUp() override {
    if (device.path().empty()) GTEST_SKIP() << "run through wine_serial_device.py";
    connection.setProperties({{"path", device.path()}});
  }
  void open(uint32_t timeout) {
    ASSERT_TRUE(connection.open());
    ASSERT_TRUE(connection.setTimeout(timeout));
  }
  std::string message(uint32_t maximum = 256) {
    std::vector<uint8_t> buffer(maximum + 1, 0xEE);
    const int32_t length = connection.readUntil(buffer.data(), maximum, 0);
    EXPECT_EQ(buffer[maximum], 0xEE) << "nothing is written past the maximum";
    return length > 0 ? std::string(buffer.begin(), buffer.begin() + length) : std::string();
  }

  UsbConnection connection;
  Device device{connection};
};

TEST_F(SerialPortTest, ReadsWaitForTheTimeOutOrTheFirstByteAndMessagesComeWholeUpToTheMaximum) {
  open(300);
  uint8_t buffer[1024];
  EXPECT_EQ(connection.read(buffer, sizeof buffer), 0);
  EXPECT_TRUE(connection.isConnected());

  ASSERT_TRUE(connection.setTimeout(2000));
  device.send("0123456789");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the bytes reach the port
  ASSERT_EQ(connection.read(buffer, sizeof buffer), 10);
  EXPECT_EQ(std::string(buffer, buffer + 10), "0123456789");
  // A byte that arrives while the read waits ends the wait at once (so reads do wait).
  device.send("x", 100);
  EXPECT_EQ(connection.read(buffer, sizeof buffer), 1);
  EXPECT_EQ(buffer[0], 'x');

  // Long messages come whole (under wine the request for it is a long write, too).
  const std::string text(200, 'z');
  device.send(text + '\0');
  EXPECT_EQ(message(), text);
  // Never more than the maximum; the rest stays for the next message.
  device.send("ABCDEFGH\0"s);
  EXPECT_EQ(message(4), "ABCD");
  EXPECT_EQ(message(), "EFGH");
  // Bytes without the delimiter before the time-out are no message.
  ASSERT_TRUE(connection.setTimeout(300));
  device.send("OK");
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);
}

TEST_F(SerialPortTest, PortIsHeldExclusivelyUntilClosed) {
  open(100);
  UsbConnection second;
#ifdef _WIN32
  second.setProperties({{"port", std::to_string(kPort)}});  // a number names the same port
#else
  second.setProperties({{"path", device.path()}});
  testing::internal::CaptureStdout();
  EXPECT_FALSE(second.open());
  testing::internal::GetCapturedStdout();
#endif
  EXPECT_TRUE(connection.close());
  EXPECT_TRUE(connection.close());
  ASSERT_TRUE(second.open());
  EXPECT_TRUE(second.close());
  EXPECT_TRUE(connection.open()) << "a closed connection opens again";
}

#ifndef _WIN32
TEST_F(SerialPortTest, LineRunsRawAt460800EightNoneOneByDefaultAndRatesWithoutASystemSpeedFail) {
  open(100);
  EXPECT_EQ(device.pty.line(), "460800 8N1 raw");
  ASSERT_TRUE(connection.close());
  connection.setProperties({{"path", device.path()}, {"baudRate", "115200"}});
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(device.pty.line(), "115200 8N1 raw");
  ASSERT_TRUE(connection.close());

  connection.setProperties({{"path", device.path()}, {"baudRate", "123456"}});
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unsupported baud rate 123456\n");
}
#endif

// Last: under wine the device is gone afterwards.
TEST_F(SerialPortTest, DeviceVanishingDuringAWaitEndsTheWaitAsALostLink) {
  open(kUnderWine ? 1000 : 10000);
  device.hangUp(100);
  uint8_t buffer[16];
  // A wait that the hang-up did not end would time out with 0 after 10 s.
  int32_t result = connection.readUntil(buffer, sizeof buffer, 0);
  for (int attempt = 0; kUnderWine && attempt < 5 && result == 0; ++attempt)
    result = connection.read(buffer, sizeof buffer);
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(connection.isConnected());
  EXPECT_EQ(connection.read(buffer, sizeof buffer), -1);
  EXPECT_EQ(connection.write(buffer, 1), -1);
}

}  // namespace
}  // namespace zav

// The bridge end to end: the library's Bluetooth transport -> rfbridge (a child process on a
// port of the test's own) -> the simulated devices behind it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/socket.h"
#include "support/bridge_process.h"
#include "support/temp_folder.h"
#include "transport/bluetooth_connection.h"

namespace zav {
namespace {

using namespace std::string_literals;

// Asks the bridge for a device on a raw socket (kept open in *kept when given): the 3-byte
// answer, shorter when the bridge closed.
std::string requestDevice(uint16_t port, const std::string& device, platform::Socket* kept = nullptr) {
  platform::Socket own;
  platform::Socket& socket = kept ? *kept : own;
  if (!socket.openTcp() || socket.connectLoopback(port) != platform::ConnectResult::connected) return {};
  socket.setReceiveTimeout(10000);
  const std::string request = device + '\0';
  socket.send(reinterpret_cast<const uint8_t*>(request.data()), static_cast<uint32_t>(request.size()));
  char answer[3];
  uint32_t size = 0;
  for (platform::SocketResult got; size < 3; size += got.count) {
    got = socket.receive(reinterpret_cast<uint8_t*>(answer) + size, 3 - size);
    if (got.status != platform::SocketStatus::ok) break;
  }
  return std::string(answer, size);
}

TEST(RfbridgeTest, RefusalsNameTheirReasonADroppedClientFreesTheDeviceAndASecondBridgeFindsThePortInUse) {
  test::TempFolder folder;
  const std::string bridgeLog = (folder / "bridge.log").string();
  test::BridgeProcess bridge(bridgeLog, {"--idle-exit", "20"});
  const uint16_t port = bridge.port();
  EXPECT_EQ(requestDevice(port, "sim:"), "NO\1"s);
  EXPECT_EQ(requestDevice(port, "sim:" + (folder / "missing.json").string()), "NO\1"s);
  EXPECT_EQ(requestDevice(port, std::string(249, 'x')), "NO\4"s);
  EXPECT_EQ(requestDevice(port, std::string(248, 'x')).substr(0, 2), "NO") << "long enough, not too long";

  platform::Socket first;
  ASSERT_EQ(requestDevice(port, "sim:amp", &first), "OK\1"s);
  EXPECT_EQ(requestDevice(port, "sim:amp"), "NO\2"s);
  // The client vanishes without a word: the device is free for the next one, which the
  // bridge lets wait the moment it takes to notice.
  first.close();
  EXPECT_EQ(requestDevice(port, "sim:amp"), "OK\1"s);

  // Many short clients, each closing just before the next asks.
  for (int cycle = 0; cycle < 200; ++cycle)
    ASSERT_EQ(requestDevice(port, "sim:amp"), "OK\1"s) << "cycle " << cycle;

  const std::string log = test::readFile(bridgeLog);
  for (const char* line : {"refused: unknown device", "refused: device busy with another client",
                           "refused: request too long", "bytes to the device, "})
    EXPECT_NE(log.find(line), std::string::npos) << line;

  // A second bridge finds the port in use.
  const std::string secondLog = (folder / "second.log").string();
  test::ChildProcess second(test::BridgeProcess::program(), {"--port", std::to_string(port)}, secondLog);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait(30000), 1);
  EXPECT_NE(test::readFile(secondLog).find("the port is in use"), std::string::npos)
      << test::readFile(secondLog);
}

TEST(RfbridgeStartTest, LibraryStartsTheBridgeWhenNobodyListens) {
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  BluetoothConnection connection;
  connection.setProperties(
      {{"device", "sim:amp"}, {"bridgeport", std::to_string(port)}, {"path", test::executableFolder()}});
  ASSERT_TRUE(connection.open());
  connection.setTimeout(3000);
  connection.write(reinterpret_cast<const uint8_t*>("gv"), 2);
  uint8_t answer[16] = {};
  EXPECT_EQ(connection.readUntil(answer, sizeof answer, 0), 11);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer)), "HW8.7_FW1.4");
}

}  // namespace
}  // namespace zav

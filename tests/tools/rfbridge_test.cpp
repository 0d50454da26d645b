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

// A raw client: the request, and the 3-byte answer (shorter when the bridge closed).
struct RawClient {
  platform::Socket socket;
  std::string answer;
};

RawClient requestDevice(uint16_t port, const std::string& device) {
  RawClient client;
  if (!client.socket.openTcp() || client.socket.connectLoopback(port) != platform::ConnectResult::connected)
    return client;
  client.socket.setReceiveTimeout(10000);
  const std::string request = device + std::string(1, '\0');
  client.socket.send(reinterpret_cast<const uint8_t*>(request.data()), static_cast<uint32_t>(request.size()));
  uint8_t answer[3];
  while (client.answer.size() < 3) {
    const platform::SocketResult got =
        client.socket.receive(answer, static_cast<uint32_t>(3 - client.answer.size()));
    if (got.status != platform::SocketStatus::ok) break;
    client.answer.append(reinterpret_cast<const char*>(answer), got.count);
  }
  return client;
}

TEST(RfbridgeTest, RefusalsNameTheirReasonADroppedClientFreesTheDeviceAndASecondBridgeFindsThePortInUse) {
  test::TempFolder folder;
  const std::string bridgeLog = (folder / "bridge.log").string();
  test::BridgeProcess bridge(bridgeLog, {"--idle-exit", "20"});
  const uint16_t port = bridge.port();
  EXPECT_EQ(requestDevice(port, "sim:").answer, "NO\1"s);
  EXPECT_EQ(requestDevice(port, "sim:" + (folder / "missing.json").string()).answer, "NO\1"s);
  EXPECT_EQ(requestDevice(port, std::string(249, 'x')).answer, "NO\4"s);
  EXPECT_EQ(requestDevice(port, std::string(248, 'x')).answer.substr(0, 2), "NO")
      << "long enough, not too long";

  RawClient first = requestDevice(port, "sim:amp");
  ASSERT_EQ(first.answer, "OK\1"s);
  EXPECT_EQ(requestDevice(port, "sim:amp").answer, "NO\2"s);
  // The client vanishes without a word: the device is free for the next one, which the
  // bridge lets wait the moment it takes to notice.
  first.socket.close();
  EXPECT_EQ(requestDevice(port, "sim:amp").answer, "OK\1"s);

  // Many short clients, each closing just before the next asks.
  for (int cycle = 0; cycle < 200; ++cycle)
    ASSERT_EQ(requestDevice(port, "sim:amp").answer, "OK\1"s) << "cycle " << cycle;

  const std::string log = test::readFile(bridgeLog);
  for (const char* line : {"refused: unknown device", "refused: device busy with another client",
                           "refused: request too long", "bytes to the device, "}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }

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

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

// A raw client: the request, and the 3-byte answer (shorter when the bridge closed).
struct RawClient {
  platform::Socket socket;
  std::string answer;
};

RawClient requestDevice(uint16_t port, const std::string& device) {
  RawClient client;
  if (!client.socket.openTcp() || client.socket.connectLoopback(port) != platform::ConnectResult::connected) {
    return client;
  }
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

std::string answer(const char* word, int code) {
  return std::string(word) + static_cast<char>(code);
}

class RfbridgeTest : public testing::Test {
 protected:
  test::TempFolder folder_;
  std::string log_ = (folder_ / "bridge.log").string();
  test::BridgeProcess bridge_{log_, {"--idle-exit", "20"}};
  uint16_t port_ = bridge_.port();
};

TEST_F(RfbridgeTest, RefusalsNameTheirReasonAndADroppedClientFreesTheDevice) {
  EXPECT_EQ(requestDevice(port_, "sim:").answer, answer("NO", 1));
  EXPECT_EQ(requestDevice(port_, "sim:" + (folder_ / "missing.json").string()).answer, answer("NO", 1));
  EXPECT_EQ(requestDevice(port_, std::string(249, 'x')).answer, answer("NO", 4));
  EXPECT_EQ(requestDevice(port_, std::string(248, 'x')).answer.substr(0, 2), "NO")
      << "long enough, not too long";

  RawClient first = requestDevice(port_, "sim:amp");
  ASSERT_EQ(first.answer, answer("OK", 1));
  EXPECT_EQ(requestDevice(port_, "sim:amp").answer, answer("NO", 2));
  // The client vanishes without a word: the device is free for the next one, which the
  // bridge lets wait the moment it takes to notice.
  first.socket.close();
  EXPECT_EQ(requestDevice(port_, "sim:amp").answer, answer("OK", 1));

  // Many short clients, each closing just before the next asks.
  for (int cycle = 0; cycle < 200; ++cycle) {
    ASSERT_EQ(requestDevice(port_, "sim:amp").answer, answer("OK", 1)) << "cycle " << cycle;
  }

  const std::string log = test::readFile(log_);
  for (const char* line : {"refused: unknown device", "refused: device busy with another client",
                           "refused: request too long", "bytes to the device, "}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(RfbridgeTest, SecondInstanceFindsThePortInUse) {
  const std::string log = (folder_ / "second.log").string();
  test::ChildProcess second(test::BridgeProcess::program(), {"--port", std::to_string(port_)}, log);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait(30000), 1);
  EXPECT_NE(test::readFile(log).find("the port is in use"), std::string::npos) << test::readFile(log);
}

TEST(RfbridgeStartTest, LibraryStartsTheBridgeWhenNobodyListens) {
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  BluetoothConnection connection;
  connection.setProperties(
      {{"device", "sim:amp"}, {"bridgeport", std::to_string(port)}, {"path", test::executableFolder()}});
  ASSERT_TRUE(connection.open());
  connection.setTimeout(3000);
  const std::string command = "gv";
  connection.write(reinterpret_cast<const uint8_t*>(command.data()), 2);
  uint8_t answer[16] = {};
  EXPECT_EQ(connection.readUntil(answer, sizeof answer, 0), 11);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer)), "HW8.7_FW1.4");
}

}  // namespace
}  // namespace zav

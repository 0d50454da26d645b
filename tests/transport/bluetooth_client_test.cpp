// The Bluetooth client on its own: starting the bridge, address texts, a closed socket.
#include "transport/bluetooth_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_spawn.h"
#include "support/loopback_bridge.h"
#include "support/temp_folder.h"
#include "transport/connection.h"

namespace zav {
namespace {

TEST(BluetoothClientTest, BridgeIsStartedOnceWhenNobodyListensThenTheDirectWayIsTried) {
  test::TempFolder folder;
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  BluetoothClient client;
  client.setBridgePort(port);
  client.setBridgePath(folder.string());
  std::vector<std::string> started;
  client.setBridgeStarter([&](const std::string& command, const std::vector<std::string>& arguments) {
    started.push_back(command);
    started.insert(started.end(), arguments.begin(), arguments.end());
  });

  EXPECT_FALSE(client.connect("NO-SUCH-AMP"));
  EXPECT_FALSE(client.isOpen());
  const std::string command = folder.string() + "/" + platform::executableFileName("rfbridge");
  // A bridge on a port of its own must not outlive the test that asked for it.
  EXPECT_EQ(started,
            (std::vector<std::string>{command, "--port", std::to_string(port), "--idle-exit", "10"}));

  client.setBridgePort(BluetoothClient::kBridgePort);
  EXPECT_TRUE(client.bridgeArguments().empty());

  // Without a folder the command is found on the search path.
  EXPECT_EQ(BluetoothClient().bridgeCommand(), platform::executableFileName("rfbridge"));
}

TEST(BluetoothClientTest, StartedBridgeIsGivenTimeToListen) {
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  std::unique_ptr<test::LoopbackBridge> bridge;
  std::thread starting;
  BluetoothClient client;
  client.setBridgePort(port);
  // Like a real process, the bridge listens a while after it was started.
  client.setBridgeStarter([&](const std::string&, const std::vector<std::string>&) {
    starting = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      bridge = std::make_unique<test::LoopbackBridge>(port);
    });
  });

  const bool connected = client.connect("AMP-1");
  starting.join();
  ASSERT_TRUE(connected);
  ASSERT_TRUE(bridge && bridge->listening());
  EXPECT_EQ(bridge->requests(), std::vector<std::string>{"AMP-1"});

  // Once the bridge runs it is not started again.
  client.disconnect();
  client.setBridgeStarter(
      [](const std::string&, const std::vector<std::string>&) { ADD_FAILURE() << "bridge started twice"; });
  EXPECT_TRUE(client.connect("AMP-1"));
}

TEST(BluetoothClientTest, AddressTextsParseMostSignificantFirstAndGarbageSafely) {
  EXPECT_EQ(parseBluetoothAddress("00:11:22:33:44:55"), 0x001122334455u);
  EXPECT_EQ(parseBluetoothAddress("AA:bb:CC:dd:EE:ff"), 0xAABBCCDDEEFFu);
  EXPECT_EQ(parseBluetoothAddress("01:02:03:04:05:06 trailing"), 0x010203040506u);

  // Too short to hold six parts: nothing is read past the end.
  EXPECT_EQ(parseBluetoothAddress(""), std::nullopt);
  EXPECT_EQ(parseBluetoothAddress(":"), std::nullopt);
  EXPECT_EQ(parseBluetoothAddress("00:11:22:33:44:5"), std::nullopt);
  // A part that is no byte would spill into its neighbour.
  EXPECT_EQ(parseBluetoothAddress("123:11:22:33:44:55"), std::nullopt);
  // Non-hexadecimal parts read as 0, as the library's number reading does.
  EXPECT_EQ(parseBluetoothAddress("zz:zz:zz:zz:zz:zz"), 0u);
}

TEST(BluetoothClientTest, WithoutASocketTransfersReportALostLinkAndShortAddressesFailTheDirectWay) {
  BluetoothClient client;
  uint8_t buffer[8] = {};
  EXPECT_EQ(client.receive(buffer, sizeof buffer), Connection::kLinkLost);
  EXPECT_EQ(client.send(buffer, sizeof buffer), Connection::kLinkLost);
  client.disconnect();
  client.disconnect();
  EXPECT_EQ(client.receive(buffer, sizeof buffer), Connection::kLinkLost);

  client.setUseBridge(false);
  client.setBridgeStarter([](const std::string&, const std::vector<std::string>&) {
    ADD_FAILURE() << "the direct way never starts the bridge";
  });
  EXPECT_FALSE(client.connect("00:11"));
  EXPECT_FALSE(client.connect(""));
  EXPECT_FALSE(client.isOpen());
}

}  // namespace
}  // namespace zav

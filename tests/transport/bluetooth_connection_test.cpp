// The Bluetooth transport against a loopback peer playing the bridge, and its client alone.
#include "transport/bluetooth_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_spawn.h"
#include "support/loopback_bridge.h"
#include "support/temp_folder.h"
#include "transport/bluetooth_client.h"

namespace zav {
namespace {

using test::LoopbackBridge;
using Arguments = std::vector<std::string>;

class BluetoothConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bridge.listening()); }

  // The test's own bridge port; an empty bridge folder, so that no bridge can be started.
  std::unique_ptr<BluetoothConnection> connectionTo(const std::string& device) {
    auto connection = std::make_unique<BluetoothConnection>();
    connection->setProperties(
        {{"device", device}, {"bridgePort", std::to_string(bridge.port())}, {"path", emptyFolder.string()}});
    return connection;
  }

  test::TempFolder emptyFolder;
  LoopbackBridge bridge;
};

TEST_F(BluetoothConnectionTest, GrantedDeviceKeepsItsLinkThroughEmptyTransfersAndDestructionClosesIt) {
  auto connection = connectionTo("AMP-7");
  ASSERT_TRUE(connection->open());
  uint8_t buffer[4] = {};
  EXPECT_EQ(connection->read(buffer, 0), 0);
  EXPECT_EQ(connection->write(buffer, 0), 0);
  EXPECT_TRUE(connection->isConnected());
  connection.reset();
  EXPECT_TRUE(bridge.waitForClosedConnections(1));
}

TEST_F(BluetoothConnectionTest, RefusalsKeepTheSocketAndTheTimeOutAShortAnswerClosesItTheNextOpenAsksAgain) {
  bridge.setAnswer("NO?");
  auto connection = connectionTo("AMP-9");
  EXPECT_TRUE(connection->setTimeout(150));
  EXPECT_FALSE(connection->open());
  EXPECT_FALSE(connection->isConnected());
  EXPECT_FALSE(connection->open());
  ASSERT_TRUE(bridge.waitForRequests(2));
  EXPECT_EQ(bridge.requests(), (std::vector<std::string>{"AMP-9", "AMP-9"}));
  EXPECT_EQ(bridge.acceptedConnections(), 1u) << "both travelled on the socket kept from the first refusal";
  EXPECT_EQ(bridge.closedConnections(), 0u);

  bridge.setAnswer("OK");  // one byte short
  EXPECT_FALSE(connection->open());
  EXPECT_TRUE(bridge.waitForClosedConnections(1));
  bridge.setAnswer("OK!");  // any third byte grants
  ASSERT_TRUE(connection->open());
  EXPECT_EQ(bridge.acceptedConnections(), 2u) << "reopening starts over";
  // The time-out given before the first open is in force: nothing to read times out, the link stays.
  uint8_t buffer[16];
  EXPECT_EQ(connection->read(buffer, sizeof buffer), 0);
  EXPECT_TRUE(connection->isConnected());
}

TEST_F(BluetoothConnectionTest, WithoutADeviceOrForASingleOneTheBridgeIsNotAsked) {
  BluetoothConnection connection;
  EXPECT_FALSE(connection.open());
  EXPECT_THROW((void)connection.name(), std::invalid_argument) << "a connection without a device has no name";

  // A single device goes the direct way, where this name is not among the discovered devices.
  connection.setProperties(
      {{"device", "NOT-DISCOVERED"}, {"single", "1"}, {"bridgeport", std::to_string(bridge.port())}});
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(bridge.acceptedConnections(), 0u);
}

TEST(BluetoothClientTest, BridgeIsStartedWhenNobodyListensGivenTimeToListenAndNotStartedAgain) {
  const std::string folder = "bridge-folder";  // the starter below stands in for the program there
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  std::unique_ptr<LoopbackBridge> bridge;
  std::thread starting;
  Arguments started;
  BluetoothClient client;
  client.setBridgePort(port);
  client.setBridgePath(folder);
  client.setBridgeStarter([&](const std::string& command, const Arguments& arguments) {
    started = arguments;
    started.insert(started.begin(), command);
    starting = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      bridge = std::make_unique<LoopbackBridge>(port);
    });
  });
  const bool connected = client.connect("AMP-1");
  starting.join();
  ASSERT_TRUE(connected);
  EXPECT_EQ(bridge->requests(), Arguments{"AMP-1"});
  // A bridge on a port of its own must not outlive the test that asked for it.
  EXPECT_EQ(started, (Arguments{folder + "/" + platform::executableFileName("rfbridge"), "--port",
                                std::to_string(port), "--idle-exit", "10"}));
  client.disconnect();
  client.setBridgeStarter(
      [](const std::string&, const Arguments&) { ADD_FAILURE() << "bridge started twice"; });
  EXPECT_TRUE(client.connect("AMP-1"));
  client.setBridgePort(BluetoothClient::kBridgePort);
  EXPECT_TRUE(client.bridgeArguments().empty());
  // Without a folder the command is found on the search path.
  EXPECT_EQ(BluetoothClient().bridgeCommand(), platform::executableFileName("rfbridge"));
}

TEST(BluetoothClientTest, AddressTextsParseMostSignificantFirstAndGarbageFailsTheDirectWaySafely) {
  const std::pair<const char*, std::optional<uint64_t>> cases[] = {
      {"AA:bb:CC:dd:EE:ff", 0xAABBCCDDEEFFu},
      {"01:02:03:04:05:06 trailing", 0x010203040506u},
      // Too short to hold six parts: nothing is read past the end.
      {"", std::nullopt},
      {":", std::nullopt},
      {"00:11:22:33:44:5", std::nullopt},
      {"123:11:22:33:44:55", std::nullopt},  // a part that is no byte would spill into its neighbour
      {"zz:zz:zz:zz:zz:zz", 0u},             // as the library's number reading does
  };
  for (const auto& [text, address] : cases) EXPECT_EQ(parseBluetoothAddress(text), address) << text;

  BluetoothClient client;
  client.setUseBridge(false);
  client.setBridgeStarter([](const std::string&, const Arguments&) { ADD_FAILURE() << "bridge started"; });
  EXPECT_FALSE(client.connect("00:11"));
  uint8_t buffer[8] = {};
  EXPECT_EQ(client.receive(buffer, sizeof buffer), Connection::kLinkLost) << "without a socket";
  EXPECT_EQ(client.send(buffer, sizeof buffer), Connection::kLinkLost);
}

}  // namespace
}  // namespace zav

// The Bluetooth transport through the public Connection operations, against a loopback
// peer that plays the bridge.
#include "transport/bluetooth_connection.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/property_map.h"
#include "support/loopback_bridge.h"
#include "support/temp_folder.h"

namespace zav {
namespace {

using test::LoopbackBridge;

// Reaches the bridge on the test's own port; the bridge folder is empty, so should the
// bridge have to be started, nothing starts.
std::unique_ptr<BluetoothConnection> connectionTo(uint16_t bridgePort, const std::string& device,
                                                  const test::TempFolder& emptyFolder) {
  PropertyMap properties;
  properties.set<std::string>("device", device);
  properties.set<int>("bridgePort", bridgePort);
  properties.set<std::string>("path", emptyFolder.string());
  auto connection = std::make_unique<BluetoothConnection>();
  connection->setProperties(properties.values());
  return connection;
}

std::string readExactly(Connection& connection, size_t size) {
  std::string bytes;
  uint8_t buffer[1024];
  while (bytes.size() < size) {
    const int32_t count = connection.read(buffer, sizeof buffer);
    if (count <= 0) break;
    bytes.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
  }
  return bytes;
}

int32_t writeText(Connection& connection, const std::string& text) {
  return connection.write(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

class BluetoothConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(bridge.listening()); }

  test::TempFolder emptyFolder;
  LoopbackBridge bridge;
};

TEST_F(BluetoothConnectionTest, GrantedDeviceCarriesTheByteStreamBothWays) {
  auto connection = connectionTo(bridge.port(), "AMP-7", emptyFolder);
  EXPECT_EQ(connection->name(), "AMP-7");
  EXPECT_FALSE(connection->keepsDeviceClock());

  ASSERT_TRUE(connection->open());
  EXPECT_TRUE(connection->isConnected());
  EXPECT_EQ(bridge.requests(), std::vector<std::string>{"AMP-7"});

  EXPECT_EQ(writeText(*connection, "gv"), 2);
  ASSERT_TRUE(bridge.waitForReceived(2));
  EXPECT_EQ(bridge.received(), "gv");

  bridge.sendToClient(std::string("HW1_FW2\0", 8));
  uint8_t answer[64] = {};
  EXPECT_EQ(connection->readUntil(answer, sizeof answer, 0), 7);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer), 7), "HW1_FW2");

  // A stream larger than one segment arrives whole and in order.
  bridge.setResponder(LoopbackBridge::echo);
  std::string stream(20000, '\0');
  for (size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<char>(i * 7);
  size_t written = 0;
  while (written < stream.size()) {
    const int32_t count = connection->write(reinterpret_cast<const uint8_t*>(stream.data()) + written,
                                            static_cast<uint32_t>(stream.size() - written));
    ASSERT_GT(count, 0);
    written += static_cast<size_t>(count);
  }
  EXPECT_EQ(readExactly(*connection, stream.size()), stream);

  // Empty transfers leave the link alone; destroying the connection closes it.
  uint8_t buffer[4] = {};
  EXPECT_EQ(connection->read(buffer, 0), 0);
  EXPECT_EQ(connection->write(buffer, 0), 0);
  EXPECT_TRUE(connection->isConnected());
  connection.reset();
  EXPECT_TRUE(bridge.waitForClosedConnections(1));
}

TEST_F(BluetoothConnectionTest, RefusedDeviceKeepsTheSocketAndTheNextOpenAsksAgain) {
  bridge.setAnswer("NO?");
  auto connection = connectionTo(bridge.port(), "AMP-9", emptyFolder);

  EXPECT_FALSE(connection->open());
  EXPECT_FALSE(connection->isConnected());
  EXPECT_FALSE(connection->open());
  ASSERT_TRUE(bridge.waitForRequests(2));
  EXPECT_EQ(bridge.requests(), (std::vector<std::string>{"AMP-9", "AMP-9"}));

  bridge.setAnswer("OK!");
  EXPECT_TRUE(connection->open());
  EXPECT_EQ(bridge.requests().size(), 3u);
  // All three requests travelled on the one socket kept from the first refusal.
  EXPECT_EQ(bridge.acceptedConnections(), 1u);
  EXPECT_EQ(bridge.closedConnections(), 0u);
}

TEST_F(BluetoothConnectionTest, ShortAnswerFailsTheOpenAndClosesTheSocket) {
  bridge.setAnswer("OK");
  auto connection = connectionTo(bridge.port(), "AMP-2", emptyFolder);

  EXPECT_FALSE(connection->open());
  EXPECT_FALSE(connection->isConnected());
  EXPECT_TRUE(bridge.waitForClosedConnections(1));

  // The next open starts over on a new socket.
  bridge.setAnswer("OK?");
  EXPECT_TRUE(connection->open());
  EXPECT_EQ(bridge.acceptedConnections(), 2u);
}

TEST_F(BluetoothConnectionTest, PeerClosingTheLinkClosesTheConnection) {
  auto connection = connectionTo(bridge.port(), "AMP-3", emptyFolder);
  ASSERT_TRUE(connection->open());

  bridge.dropClient();
  ASSERT_TRUE(bridge.waitForClosedConnections(1));
  uint8_t buffer[16];
  EXPECT_EQ(connection->read(buffer, sizeof buffer), -1);
  EXPECT_FALSE(connection->isConnected());
  EXPECT_EQ(connection->read(buffer, sizeof buffer), -1);
  EXPECT_EQ(writeText(*connection, "p"), -1);

  // Reopening reaches the bridge again.
  EXPECT_TRUE(connection->open());
  EXPECT_EQ(bridge.acceptedConnections(), 2u);
}

TEST_F(BluetoothConnectionTest, TimeoutGivenBeforeOpenIsInForceAfterEveryOpen) {
  auto connection = connectionTo(bridge.port(), "AMP-4", emptyFolder);
  EXPECT_EQ(connection->timeout(), 2000u);
  EXPECT_TRUE(connection->setTimeout(150));

  bridge.setAnswer("NO?");
  EXPECT_FALSE(connection->open());
  EXPECT_EQ(connection->timeout(), 150u);

  bridge.setAnswer("OK?");
  ASSERT_TRUE(connection->open());
  EXPECT_EQ(connection->timeout(), 150u);
  // Nothing to read: the read times out instead of waiting, and the link stays up.
  uint8_t buffer[16];
  EXPECT_EQ(connection->read(buffer, sizeof buffer), 0);
  EXPECT_TRUE(connection->isConnected());

  EXPECT_TRUE(connection->setTimeout(100));
  EXPECT_EQ(connection->timeout(), 100u);
  EXPECT_EQ(connection->read(buffer, sizeof buffer), 0);
}

TEST_F(BluetoothConnectionTest, WithoutADeviceOrForASingleOneTheBridgeIsNotAsked) {
  BluetoothConnection connection;
  EXPECT_FALSE(connection.open());
  EXPECT_FALSE(connection.isConnected());
  EXPECT_THROW((void)connection.name(), std::invalid_argument) << "a connection without a device has no name";

  // A single device goes the direct way, where this name is not among the discovered devices.
  connection.setProperties(
      {{"device", "NOT-DISCOVERED"}, {"single", "1"}, {"bridgeport", std::to_string(bridge.port())}});
  EXPECT_FALSE(connection.open());
  EXPECT_FALSE(connection.isConnected());
  EXPECT_EQ(bridge.acceptedConnections(), 0u);
}

TEST(BluetoothFallbackTest, UnreachableBridgeFallsBackToTheDirectWayAndFails) {
  // Nobody listens and the bridge cannot start from the empty folder; the name is not
  // among the discovered devices, so the direct way fails without connecting.
  test::TempFolder emptyFolder;
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  auto connection = connectionTo(port, "NO-SUCH-AMP", emptyFolder);
  connection->setTimeout(300);
  EXPECT_FALSE(connection->open());
  EXPECT_FALSE(connection->isConnected());
  EXPECT_EQ(connection->timeout(), 300u);
}

}  // namespace
}  // namespace zav

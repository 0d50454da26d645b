// The bridge end to end: the library's Bluetooth transport -> rfbridge (a child process on a
// port of the test's own) -> the simulated devices behind it.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/block_format.h"
#include "multi/multi_driver.h"
#include "platform/process_spawn.h"
#include "platform/socket.h"
#include "support/child_process.h"
#include "support/loopback_bridge.h"
#include "support/temp_folder.h"
#include "transport/bluetooth_connection.h"

namespace zav {
namespace {

// The side devices' blocks: EEG 768, ExG_B 48, IMU_B 18, FOT 24 and DIN 24 payload bytes.
constexpr std::size_t kSideBlockBytes = block::kOverheadBytes + 768 + 48 + 18 + 24 + 24;

std::string bridgeProgram() { return test::executableFolder() + "/" + platform::executableFileName("rfbridge"); }

std::string readFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

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
    const platform::SocketResult got = client.socket.receive(answer, static_cast<uint32_t>(3 - client.answer.size()));
    if (got.status != platform::SocketStatus::ok) break;
    client.answer.append(reinterpret_cast<const char*>(answer), got.count);
  }
  return client;
}

std::string answer(const char* word, int code) { return std::string(word) + static_cast<char>(code); }

class RfbridgeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<test::TempFolder>();
    port_ = test::unusedLoopbackPort();
    log_ = (*folder_ / "bridge.log").string();
    bridge_ = std::make_unique<test::ChildProcess>(
        bridgeProgram(), std::vector<std::string>{"--port", std::to_string(port_), "--idle-exit", "20"}, log_);
    // Started programs need a moment to listen (longer under an emulator).
    for (int attempt = 0; attempt < 300; ++attempt) {
      platform::Socket probe;
      if (probe.openTcp() && probe.connectLoopback(port_) == platform::ConnectResult::connected) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  static void TearDownTestSuite() {
    bridge_.reset();
    folder_.reset();
  }

  static std::unique_ptr<test::TempFolder> folder_;
  static std::unique_ptr<test::ChildProcess> bridge_;
  static uint16_t port_;
  static std::string log_;
};

std::unique_ptr<test::TempFolder> RfbridgeTest::folder_;
std::unique_ptr<test::ChildProcess> RfbridgeTest::bridge_;
uint16_t RfbridgeTest::port_ = 0;
std::string RfbridgeTest::log_;

std::unique_ptr<BluetoothConnection> connectionTo(const std::string& device, uint16_t port,
                                                  const std::string& path = "") {
  auto connection = std::make_unique<BluetoothConnection>();
  PropertyValues properties{{"device", device}, {"bridgeport", std::to_string(port)}};
  if (!path.empty()) properties["path"] = path;
  connection->setProperties(properties);
  return connection;
}

std::string ask(Connection& connection, const std::string& command) {
  connection.write(reinterpret_cast<const uint8_t*>(command.data()), static_cast<uint32_t>(command.size()));
  uint8_t buffer[512];
  const int32_t got = connection.readUntil(buffer, sizeof buffer, 0);
  return got > 0 ? std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(got)) : "";
}

// What one side of the set does: identity, signal list, then a few streamed blocks.
struct SideResult {
  bool opened = false;
  std::string version;
  std::string signals;
  std::vector<uint16_t> sequences;
  bool blocksValid = true;
};

SideResult runSide(const std::string& device, uint16_t port) {
  SideResult result;
  const auto connection = connectionTo(device, port);
  result.opened = connection->open();
  if (!result.opened) return result;
  connection->setTimeout(3000);
  result.version = ask(*connection, "gv");
  result.signals = ask(*connection, "gc");
  const std::string start = "s";
  connection->write(reinterpret_cast<const uint8_t*>(start.data()), 1);
  for (int b = 0; b < 4; ++b) {
    std::vector<uint8_t> block(kSideBlockBytes);
    std::size_t filled = 0;
    while (filled < block.size()) {
      const int32_t got = connection->read(block.data() + filled, static_cast<uint32_t>(block.size() - filled));
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    result.blocksValid = result.blocksValid && filled == block.size() && block[0] == block::kSync0 &&
                         block[1] == block::kSync1 && block.back() == byteSum(block.data(), block.size() - 1);
    result.sequences.push_back(static_cast<uint16_t>(block[2] << 8 | block[3]));
  }
  const std::string stop = "p";
  connection->write(reinterpret_cast<const uint8_t*>(stop.data()), 1);
  connection->close();
  return result;
}

TEST_F(RfbridgeTest, SetHalvesOpenInParallelAnswerCommandsAndStream) {
  ASSERT_TRUE(bridge_->started());
  SideResult left, right;
  std::thread leftThread([&] { left = runSide("sim:left", port_); });
  std::thread rightThread([&] { right = runSide("sim:right", port_); });
  leftThread.join();
  rightThread.join();
  for (const SideResult* side : {&left, &right}) {
    ASSERT_TRUE(side->opened);
    EXPECT_EQ(side->version, "HW8.7_FW1.4");
    EXPECT_EQ(side->signals,
              "EEG  , 32, 03, 08, 01ExG_B, 02, 03, 08, 01IMU_B, 09, 02, 01, 01FOT  , 01, 03, 08, 01"
              "DIN  , 03, 01, 08, 01uSD  , xx, xx, xx, 00");
    EXPECT_TRUE(side->blocksValid);
    ASSERT_EQ(side->sequences.size(), 4u);
    for (std::size_t i = 1; i < side->sequences.size(); ++i) {
      EXPECT_EQ(side->sequences[i], static_cast<uint16_t>(side->sequences[i - 1] + 1));
    }
  }
}

TEST_F(RfbridgeTest, SetThroughTheBridgeAlignsOnTheMarkerCodesAndAgreesOnTheSharedWave) {
  MultiDriver set;
  set.configure("sim:left", "sim:right", "", {{"bridgePort", std::to_string(port_)}});
  set.connect();
  ASSERT_TRUE(set.isConnected());
  for (uint32_t i = 0; i + 1 < set.signals().size(); ++i) ASSERT_TRUE(set.setSignalMode(i, 1));
  ASSERT_TRUE(set.start());
  std::vector<double> data;
  uint16_t sequence = 0, battery = 0, flags = 0;
  int aligned = 0;
  // Codes come every 2 s: within 5 s of blocks the halves are aligned.
  for (int n = 0; n < 32 * 5 && aligned < 32; ++n) {
    if (!set.read(data, sequence, battery, flags) || flags == 7) continue;
    ++aligned;
    for (int s = 0; s < 8; ++s) ASSERT_NEAR(data[31 * 8 + s], data[63 * 8 + s], 1e-6) << "record " << n;
  }
  set.stop();
  set.disconnect(true);
  EXPECT_EQ(aligned, 32);
}

TEST_F(RfbridgeTest, RefusalsNameTheirReasonAndADroppedClientFreesTheDevice) {
  EXPECT_EQ(requestDevice(port_, "sim:").answer, answer("NO", 1));
  EXPECT_EQ(requestDevice(port_, "sim:" + (*folder_ / "missing.json").string()).answer, answer("NO", 1));
  EXPECT_EQ(requestDevice(port_, std::string(249, 'x')).answer, answer("NO", 4));
  EXPECT_EQ(requestDevice(port_, std::string(248, 'x')).answer.substr(0, 2), "NO") << "long enough, not too long";

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

  const std::string log = readFile(log_);
  for (const char* line : {"refused: unknown device", "refused: device busy with another client",
                           "refused: request too long", "bytes to the device, "}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(RfbridgeTest, SecondInstanceFindsThePortInUse) {
  const std::string log = (*folder_ / "second.log").string();
  test::ChildProcess second(bridgeProgram(), {"--port", std::to_string(port_)}, log);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.wait(30000), 1);
  EXPECT_NE(readFile(log).find("the port is in use"), std::string::npos) << readFile(log);
}

TEST(RfbridgeStartTest, LibraryStartsTheBridgeWhenNobodyListens) {
  const uint16_t port = test::unusedLoopbackPort();
  ASSERT_NE(port, 0);
  const auto connection = connectionTo("sim:amp", port, test::executableFolder());
  ASSERT_TRUE(connection->open());
  connection->setTimeout(3000);
  EXPECT_EQ(ask(*connection, "gv"), "HW8.7_FW1.4");
}

}  // namespace
}  // namespace zav

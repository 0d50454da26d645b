// The simulated device through the public Connection operations: command answers, the
// states, and the blocks it streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/byte_order.h"
#include "signal/signal_decoder.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

using namespace std::string_literals;
using test::ask;
using test::readBlock;
using test::send;
using test::signalEntry;

// Two small signals at 4000 blocks per second, so streaming tests never wait long.
const nlohmann::json kFastDevice = test::deviceWith(
    {signalEntry("EEG", 2, 3, 1, 1, 4000, {1.5, 2.5, -3.5}), signalEntry("ACC", 3, 2, 1, 1, 4000)});

class MockConnectionTest : public testing::Test {
 protected:
  void SetUp() override {
    test::configureWith(connection, folder, kFastDevice);
    ASSERT_TRUE(connection.open());
  }
  uint16_t sequenceOf(const std::vector<uint8_t>& block) { return readU16BE(block.data() + 2); }

  test::TempFolder folder;
  MockConnection connection;
};

TEST_F(MockConnectionTest, AnswersCommandsAndSetCommandsWaitForTheirParameters) {
  const std::string changed = "EEG  , 02, 03, 01, 00ACC  , 03, 02, 01, 01\0"s;
  // clang-format off
  const std::pair<std::string, std::string> conversation[] = {
      {"gf", "4000\0"s}, {"gc", "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, 01\0"s},
      {"cc", ""}, {"\x00\x01"s, "OK\0"s}, {"gc", changed},  // "cc" waits for the mode bytes
      // Modes that a signal record cannot print are refused whole; the old ones stay.
      {"cc\x01\x64", "ERR\0"s}, {"cc\x01\xF6", "ERR\0"s}, {"gc", changed},
      // Names are echoed without a terminator.
      {"cd", ""}, {"data\0"s, "data"}, {"carec.sdf\0"s, "rec.sdf"}, {"gd", "data\0"s}, {"ga", "rec.sdf\0"s},
      // 1 March 2020, 14:05:09; the seconds byte arrives apart.
      {"ct\x07\xE4\x03\x01\x0E\x05", ""}, {"\x09", "1/3/2020 14:5:9\0"s},
  };
  // clang-format on
  for (const auto& [command, answer] : conversation) EXPECT_EQ(ask(connection, command), answer) << command;
  EXPECT_FALSE(connection.keepsDeviceClock());
}

TEST_F(MockConnectionTest, ClockSamplesComeOnlyInClockModeAndUnknownCommandsDropTheWholeInput) {
  EXPECT_EQ(ask(connection, "ck"), "");
  EXPECT_EQ(ask(connection, "\x01").size(), 8u);
  EXPECT_EQ(ask(connection, "a"), "OK\0"s);
  testing::internal::CaptureStdout();
  for (const char* command : {"\x01", "x", "gq1", "cf\xF4\x01"}) EXPECT_EQ(ask(connection, command), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "MockConnection::Impl::unknown_command\ninput buffer: \x01\n"
            "MockConnection::Impl::unknown_command\ninput buffer: x\n"
            "MockConnection::Impl::unknown_command\ninput buffer: g q 1\n"
            "MockConnection::Impl::unknown_command\ninput buffer: c f \xF4 \x01\n");
  EXPECT_EQ(ask(connection, "gf"), "4000\0"s) << "nothing was left behind";
  // An answer without terminator is no message: the read times out at once.
  send(connection, "cddata\0"s);
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);
}

TEST_F(MockConnectionTest, StreamsChecksummedBlocksInSequenceLoopingTheValuesWithoutPayloadForSignalsOff) {
  EXPECT_EQ(ask(connection, "cc\x01\xFF"), "OK\0"s) << "ACC off (a negative mode)";
  constexpr std::size_t kBlockBytes = 9 + 2 * 3;
  send(connection, "s");
  send(connection, "gv");
  send(connection, "cc\x00\x01"s);
  const auto decoder = makeDecoder("EEG", 3, 2, 1);
  std::vector<double> values(6);
  std::vector<uint8_t> blocks[3];
  for (std::size_t i = 0; i < 3; ++i) {
    std::vector<uint8_t>& block = blocks[i];
    block = readBlock(connection, kBlockBytes);
    ASSERT_EQ(block.size(), kBlockBytes);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 2), (std::vector<uint8_t>{0xAA, 0x55}))
        << "no answer to gv while streaming: the stream starts with a block";
    EXPECT_EQ(block.back(), byteSum(block.data(), block.size() - 1));
    decoder->decode(block.data() + 8, 1, values.data() + 2 * i);
  }
  EXPECT_EQ(sequenceOf(blocks[1]), static_cast<uint16_t>(sequenceOf(blocks[0]) + 1));
  // The list loops across blocks, in encoding order.
  const double expected[] = {1.5, 2.5, -3.5, 1.5, 2.5, -3.5};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(values[i], expected[i], decoder->resolution(0, 1)) << i;
  send(connection, "p");
  uint8_t byte = 0;
  EXPECT_EQ(connection.read(&byte, 1), 0) << "stopped with nothing pending: an immediate time-out";
  EXPECT_EQ(ask(connection, "gc"), "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, -1\0"s)
      << "the mode change sent while streaming was dropped";
  send(connection, "s");
  EXPECT_EQ(sequenceOf(readBlock(connection, kBlockBytes)), static_cast<uint16_t>(sequenceOf(blocks[2]) + 1))
      << "a new start continues the sequence";
  send(connection, "p");
}

// Reopening with the same file keeps the device as it was (the handle's reconnection
// shows that); another file replaces its signals instead of adding to them.
TEST_F(MockConnectionTest, AnotherConfigurationFileReplacesTheSignals) {
  ASSERT_TRUE(connection.close());
  test::writeFile(folder / "other.json", test::deviceWith({signalEntry("GSR", 1, 2, 1, 1, 10)}).dump());
  connection.setProperties({{"configuration", (folder / "other.json").string()}});
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "gc") + ask(connection, "gf"), "GSR  , 01, 02, 01, 01\0"s + "10\0"s);
}

}  // namespace
}  // namespace zav

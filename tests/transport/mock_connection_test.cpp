// The simulated device through the public Connection operations: command answers, the
// states, and the blocks it streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "signal/signal_decoder.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

using test::ask;
using test::blockSequence;
using test::deviceWith;
using test::kNul;
using test::readBlock;
using test::send;
using test::signalEntry;

// Two small signals at 4000 blocks per second, so streaming tests never wait long.
const nlohmann::json kFastDevice =
    deviceWith({signalEntry("EEG", 2, 3, 1, 1, 4000), signalEntry("ACC", 3, 2, 1, 1, 4000)});
const std::string kFastList = "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, 01" + kNul;

TEST(MockConnectionTest, AnswersIdentityAndSetCommandsWaitForTheirParameters) {
  MockConnection bare;
  EXPECT_FALSE(bare.keepsDeviceClock());
  ASSERT_TRUE(bare.open());
  EXPECT_EQ(ask(bare, "gc"), kNul) << "no configuration: no signals";
  EXPECT_EQ(test::askEach(bare, {"gf", "gv", "ga", "gd"}),
            "32" + kNul + "HW8.7_FW1.4" + kNul + "mock_filename.sdf" + kNul + "mock/directory" + kNul);

  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, kFastDevice);
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "cc"), "") << "the mode bytes have not arrived yet";
  EXPECT_EQ(ask(connection, std::string("\x00\x01", 2)), "OK" + kNul);
  const std::string changed = "EEG  , 02, 03, 01, 00ACC  , 03, 02, 01, 01" + kNul;
  EXPECT_EQ(ask(connection, "gc"), changed);
  // Modes that a signal record cannot print are refused whole; the old ones stay.
  EXPECT_EQ(test::askEach(connection, {"cc\x01\x64", "cc\x01\xF6"}), "ERR" + kNul + "ERR" + kNul);
  EXPECT_EQ(ask(connection, "gc"), changed);

  EXPECT_EQ(ask(connection, "cd"), "");
  EXPECT_EQ(ask(connection, "data" + kNul), "data") << "the folder is echoed without a terminator";
  EXPECT_EQ(ask(connection, "ca" + std::string("rec.sdf") + kNul), "rec.sdf");
  EXPECT_EQ(test::askEach(connection, {"gd", "ga"}), "data" + kNul + "rec.sdf" + kNul);
  // 1 March 2020, 14:05:09; the seconds byte arrives apart.
  EXPECT_EQ(ask(connection, std::string("ct\x07\xE4\x03\x01\x0E\x05", 8)), "");
  EXPECT_EQ(ask(connection, "\x09"), "1/3/2020 14:5:9" + kNul);
}

TEST(MockConnectionTest, ClockModeAnswersEachSampleRequestUntilEnded) {
  MockConnection connection;
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "ck"), "");
  EXPECT_EQ(ask(connection, "\x01").size(), 8u);
  EXPECT_EQ(ask(connection, "a"), "OK" + kNul);
  testing::internal::CaptureStdout();
  EXPECT_EQ(ask(connection, "\x01"), "") << "no samples outside clock mode";
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "MockConnection::Impl::unknown_command\ninput buffer: \x01\n");
}

TEST(MockConnectionTest, UnknownCommandsAreReportedAndDropTheWholeInput) {
  MockConnection connection;
  ASSERT_TRUE(connection.open());
  testing::internal::CaptureStdout();
  for (const char* command : {"x", "gq1", "cf\xF4\x01"}) EXPECT_EQ(ask(connection, command), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "MockConnection::Impl::unknown_command\ninput buffer: x\n"
            "MockConnection::Impl::unknown_command\ninput buffer: g q 1\n"
            "MockConnection::Impl::unknown_command\ninput buffer: c f \xF4 \x01\n");
  EXPECT_EQ(ask(connection, "gf"), "32" + kNul) << "nothing was left behind";
  // An answer without terminator leaves nothing pending: the next read times out at once.
  send(connection, "cd" + std::string("data") + kNul);
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);
}

TEST(MockConnectionTest, StreamsChecksummedBlocksInSequenceWithoutPayloadForSignalsOff) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, kFastDevice);
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "cc\x01\xFF"), "OK" + kNul) << "ACC off (a negative mode)";
  constexpr std::size_t kBlockBytes = 9 + 2 * 3;
  send(connection, "s");
  send(connection, "gv");
  send(connection, "cc" + std::string("\x00\x01", 2));
  std::vector<uint8_t> blocks[3];
  for (auto& block : blocks) block = readBlock(connection, kBlockBytes);
  for (const auto& b : blocks) {
    ASSERT_EQ(b.size(), kBlockBytes);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 2), (std::vector<uint8_t>{0xAA, 0x55}))
        << "no answer to gv while streaming: the stream starts with a block";
    EXPECT_EQ(readU16BE(b.data() + 4), 3500) << "battery";
    EXPECT_EQ(readU16BE(b.data() + 6), 0) << "flags";
    EXPECT_EQ(b.back(), byteSum(b.data(), b.size() - 1));
  }
  EXPECT_EQ(blockSequence(blocks[1]), static_cast<uint16_t>(blockSequence(blocks[0]) + 1));
  send(connection, "p");
  uint8_t byte = 0;
  EXPECT_EQ(connection.read(&byte, 1), 0) << "stopped with nothing pending: an immediate time-out";
  EXPECT_EQ(ask(connection, "gc"), "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, -1" + kNul)
      << "the mode change sent while streaming was dropped";
  send(connection, "s");
  EXPECT_EQ(blockSequence(readBlock(connection, kBlockBytes)),
            static_cast<uint16_t>(blockSequence(blocks[2]) + 1))
      << "a new start continues the sequence";
  send(connection, "p");
}

TEST(MockConnectionTest, ValueListsLoopInEncodingOrder) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, deviceWith({signalEntry("ACC", 1, 2, 3, 1, 12000, {1.5, 2.5})}));
  ASSERT_TRUE(connection.open());
  send(connection, "s");
  const auto decoder = makeDecoder("ACC", 2, 1, 3);
  std::vector<double> decoded(6);
  for (int i = 0; i < 2; ++i) {
    const std::vector<uint8_t> block = readBlock(connection, 9 + 6);
    ASSERT_EQ(block.size(), 15u);
    decoder->decode(block.data() + 8, 1, decoded.data() + 3 * i);
  }
  send(connection, "p");
  const std::vector<double> expected{1.5, 2.5, 1.5, 2.5, 1.5, 2.5};
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(decoded[i], expected[i], decoder->resolution(0, 1)) << i;
}

// Reopening with the same file keeps the device as it was (the handle's reconnection
// shows that); another file replaces its signals instead of adding to them.
TEST(MockConnectionTest, AnotherConfigurationFileReplacesTheSignals) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, kFastDevice);
  ASSERT_TRUE(connection.open());
  ASSERT_TRUE(connection.close());
  const auto other = folder / "other.json";
  test::writeFile(other, deviceWith({signalEntry("GSR", 1, 2, 1, 1, 10)}).dump());
  test::setProperty(connection, "configuration", other.string());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(test::askEach(connection, {"gc", "gf"}), "GSR  , 01, 02, 01, 01" + kNul + "10" + kNul);
}

}  // namespace
}  // namespace zav

// The simulated device through the public Connection operations: command answers, the
// states, and the blocks it streams.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "signal/signal_decoder.h"
#include "signal/signal_info.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

using test::ask;
using test::blockSequence;
using test::deviceWith;
using test::pending;
using test::readBlock;
using test::send;
using test::signalEntry;

const std::string kNul(1, '\0');

// Two small signals at 4000 blocks per second, so streaming tests never wait long.
nlohmann::json fastDevice() {
  return deviceWith({signalEntry("EEG", 2, 3, 1, 1, 4000), signalEntry("ACC", 3, 2, 1, 1, 4000)});
}
constexpr std::size_t kFastBlockBytes = 9 + 2 * 3 + 3 * 2;

TEST(MockConnectionTest, WithoutConfigurationAnswersIdentityDefaultsAndAnEmptySignalList) {
  MockConnection connection;
  EXPECT_EQ(connection.name(), "Mock device");
  EXPECT_FALSE(connection.keepsDeviceClock());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "gc"), kNul);
  EXPECT_EQ(ask(connection, "gf"), "32" + kNul);
  EXPECT_EQ(ask(connection, "gv"), "HW8.7_FW1.4" + kNul);
  EXPECT_EQ(ask(connection, "ga"), "mock_filename.sdf" + kNul);
  EXPECT_EQ(ask(connection, "gd"), "mock/directory" + kNul);
  EXPECT_TRUE(connection.setTimeout(1234));
  EXPECT_EQ(connection.timeout(), 1234u);
}

TEST(MockConnectionTest, SetCommandsWaitForTheirParametersThenAnswer) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, fastDevice());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "gc"), "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, 01" + kNul);

  EXPECT_EQ(ask(connection, "cc"), "") << "the mode bytes have not arrived yet";
  EXPECT_EQ(ask(connection, std::string("\x00\x01", 2)), "OK" + kNul);
  EXPECT_EQ(ask(connection, "gc"), "EEG  , 02, 03, 01, 00ACC  , 03, 02, 01, 01" + kNul);
  // Modes that a signal record cannot print are refused whole; the old ones stay.
  EXPECT_EQ(ask(connection, "cc" + std::string("\x01\x64", 2)), "ERR" + kNul);
  EXPECT_EQ(ask(connection, "cc" + std::string("\x01\xF6", 2)), "ERR" + kNul);
  EXPECT_EQ(ask(connection, "gc"), "EEG  , 02, 03, 01, 00ACC  , 03, 02, 01, 01" + kNul);

  EXPECT_EQ(ask(connection, "cd"), "");
  EXPECT_EQ(ask(connection, "data" + kNul), "data") << "the folder is echoed without a terminator";
  EXPECT_EQ(ask(connection, "gd"), "data" + kNul);
  EXPECT_EQ(ask(connection, "ca" + std::string("rec.sdf") + kNul), "rec.sdf");
  EXPECT_EQ(ask(connection, "ga"), "rec.sdf" + kNul);

  // 1 March 2020, 14:05:09.
  EXPECT_EQ(ask(connection, std::string("ct\x07\xE4\x03\x01\x0E\x05", 8)), "");
  EXPECT_EQ(ask(connection, std::string("\x09", 1)), "1/3/2020 14:5:9" + kNul);
}

TEST(MockConnectionTest, UnterminatedFolderAnswerEndsInAnImmediateTimeOut) {
  MockConnection connection;
  ASSERT_TRUE(connection.open());
  send(connection, "cd" + std::string("data") + kNul);
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);
  EXPECT_EQ(ask(connection, "gd"), "data" + kNul);
}

TEST(MockConnectionTest, StreamsChecksummedBlocksInSequenceAndIgnoresQueriesMeanwhile) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, fastDevice());
  ASSERT_TRUE(connection.open());
  send(connection, "s");
  send(connection, "gv");
  send(connection, "cc" + std::string("\x00", 1));

  uint8_t first = 0;
  ASSERT_EQ(connection.read(&first, 1), 1);
  EXPECT_EQ(first, 0xAA) << "no answer to gv while streaming: the stream starts with a block";
  std::vector<uint8_t> block = readBlock(connection, kFastBlockBytes - 1);
  block.insert(block.begin(), first);
  const std::vector<uint8_t> next = readBlock(connection, kFastBlockBytes);

  for (const auto& b : {block, next}) {
    ASSERT_EQ(b.size(), kFastBlockBytes);
    EXPECT_EQ(b[0], 0xAA);
    EXPECT_EQ(b[1], 0x55);
    EXPECT_EQ(b[4], 0x0D);
    EXPECT_EQ(b[5], 0xAC);
    EXPECT_EQ(b[6], 0x00);
    EXPECT_EQ(b[7], 0x00);
    EXPECT_EQ(b.back(), byteSum(b.data(), b.size() - 1));
  }
  EXPECT_EQ(blockSequence(next), static_cast<uint16_t>(blockSequence(block) + 1));

  send(connection, "p");
  uint8_t byte = 0;
  EXPECT_EQ(connection.read(&byte, 1), 0) << "stopped with nothing pending: an immediate time-out";
  EXPECT_EQ(ask(connection, "gc"), "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, 01" + kNul)
      << "the mode change sent while streaming was dropped";

  send(connection, "s");
  EXPECT_EQ(blockSequence(readBlock(connection, kFastBlockBytes)),
            static_cast<uint16_t>(blockSequence(next) + 1))
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
  std::vector<double> decoded;
  for (int i = 0; i < 2; ++i) {
    const std::vector<uint8_t> block = readBlock(connection, 9 + 6);
    ASSERT_EQ(block.size(), 15u);
    double values[3];
    decoder->decode(block.data() + 8, 1, values);
    decoded.insert(decoded.end(), values, values + 3);
  }
  send(connection, "p");
  const std::vector<double> expected{1.5, 2.5, 1.5, 2.5, 1.5, 2.5};
  ASSERT_EQ(decoded.size(), expected.size());
  const double step = decoder->resolution(0, 1);
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(decoded[i], expected[i], step) << "value " << i;
}

TEST(MockConnectionTest, GeneratedSineSwingsOverTheSignalsRawRange) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, deviceWith({signalEntry("EEG", 1, 3, 1, 1, 4000)}));
  ASSERT_TRUE(connection.open());
  send(connection, "s");
  const auto decoder = makeDecoder("EEG", 3, 1, 1);
  const double step = decoder->resolution(0, 1);
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t> block = readBlock(connection, 9 + 3);
    ASSERT_EQ(block.size(), 12u);
    double value = 0;
    decoder->decode(block.data() + 8, 1, &value);
    const double seconds = blockSequence(block) / 4000.0;
    EXPECT_NEAR(value, std::sin(seconds) * 255.0 * step, step) << "block " << i;
  }
  send(connection, "p");
}

TEST(MockConnectionTest, SignalsSwitchedOffOrNegativeTakeNoPayload) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, fastDevice());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "cc" + std::string("\x01\xFF", 2)), "OK" + kNul);
  const SignalList signals = parseSignalList(ask(connection, "gc"));
  ASSERT_EQ(signals.size(), 2u);
  EXPECT_EQ(signals[0].mode, 1);
  send(connection, "s");
  const std::vector<uint8_t> block = readBlock(connection, 9 + 6);
  const std::vector<uint8_t> next = readBlock(connection, 9 + 6);
  send(connection, "p");
  ASSERT_EQ(next.size(), 15u);
  EXPECT_EQ(next[0], 0xAA);
  EXPECT_EQ(blockSequence(next), static_cast<uint16_t>(blockSequence(block) + 1))
      << "blocks are 15 bytes long";
  EXPECT_EQ(next.back(), byteSum(next.data(), next.size() - 1));
}

TEST(MockConnectionTest, UnknownCommandsAreReportedAndDropTheWholeInput) {
  MockConnection connection;
  ASSERT_TRUE(connection.open());
  testing::internal::CaptureStdout();
  EXPECT_EQ(ask(connection, "x"), "");
  EXPECT_EQ(ask(connection, "gq1"), "");
  EXPECT_EQ(ask(connection, "cf" + std::string("\xF4\x01", 2)), "");
  const std::string lines = testing::internal::GetCapturedStdout();
  EXPECT_EQ(lines,
            "MockConnection::Impl::unknown_command\ninput buffer: x\n"
            "MockConnection::Impl::unknown_command\ninput buffer: g q 1\n"
            "MockConnection::Impl::unknown_command\ninput buffer: c f \xF4 \x01\n");
  EXPECT_EQ(ask(connection, "gf"), "32" + kNul) << "nothing was left behind";
}

TEST(MockConnectionTest, ReopeningKeepsTheDeviceAsItWasWithoutListingSignalsTwice) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, fastDevice());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "cc" + std::string("\x01\x00", 2)), "OK" + kNul);
  const std::string before = ask(connection, "gc");
  ASSERT_TRUE(connection.close());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "gc"), before);

  // A different configuration file replaces the signals instead of adding to them.
  const auto other = folder / "other.json";
  test::writeFile(other, deviceWith({signalEntry("GSR", 1, 2, 1, 1, 10)}).dump());
  test::setProperty(connection, "configuration", other.string());
  ASSERT_TRUE(connection.close());
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "gc"), "GSR  , 01, 02, 01, 01" + kNul);
  EXPECT_EQ(ask(connection, "gf"), "10" + kNul);
}

TEST(MockConnectionTest, DistancesExpandToAnchorSignalsAndBatteriesAddOnlyTheirRate) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(
      connection, folder,
      deviceWith({signalEntry("distances", 3, 2, 4, 1, 40, {1.0, 2.0}), signalEntry("uSD", 0, 0, 1, 0, 50),
                  signalEntry("batteries", 2, 2, 10, 1, 600)}));
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(ask(connection, "gc"),
            "ANC  , 02, 02, 03, 01ANC  , 02, 02, 03, 01ANC  , 02, 02, 03, 01uSD  , xx, xx, xx, 00" + kNul);
  EXPECT_EQ(ask(connection, "gf"), "60" + kNul) << "the last entry sets the rate";
}

}  // namespace
}  // namespace zav

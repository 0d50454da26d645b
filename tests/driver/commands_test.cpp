#include "driver/commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/scripted_connection.h"

namespace zav {
namespace {

using namespace std::string_literals;
using test::ScriptedConnection;

class Commands : public ::testing::Test {
 protected:
  void SetUp() override { device.open(); }

  // Runs an action and returns what it printed.
  template <typename Action>
  std::string printedBy(Action action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
  }

  ScriptedConnection device;
};

TEST_F(Commands, TextAnswersAreTakenWhole) {
  device.answer("gv", "HW1.0_FW2.3");
  device.answer("gd", "folder one");
  device.answer("ga", "");
  std::string version, folder, file = "before";
  EXPECT_TRUE(commands::getVersion(&device, version));
  EXPECT_TRUE(commands::getFolder(&device, folder));
  EXPECT_TRUE(commands::getFile(&device, file));
  EXPECT_EQ(version, "HW1.0_FW2.3");
  EXPECT_EQ(folder, "folder one");
  EXPECT_EQ(file, "");
  EXPECT_EQ(device.written(), "gvgdga");

  device.answer("gc", "EEG   032 003 008 001uSD   000 000 000 001");
  SignalList signals;
  EXPECT_TRUE(commands::getSignals(&device, signals));
  ASSERT_EQ(signals.size(), 2u);
  EXPECT_EQ(signals[0], SignalInfo("EEG", 32, 3, 8, 1));
}

TEST_F(Commands, ErrRefusesSilently) {
  device.answer("cd", "ERR");
  device.answer("gx", "ERRATA");
  std::string extra;
  bool folderSet = true;
  EXPECT_EQ(printedBy([&] { folderSet = commands::setFolder(&device, "rec"); }), "");
  EXPECT_FALSE(folderSet);
  EXPECT_EQ(device.writes(), (std::vector<std::string>{"cd", "rec\0"s}));
  // Only the exact text refuses.
  EXPECT_TRUE(commands::getExtra(&device, extra));
  EXPECT_EQ(extra, "ERRATA");
}

TEST_F(Commands, UartErrorIsFollowedByTheRealAnswer) {
  // The real answer is longer than the disowned one and is kept whole.
  device.answerRaw("gv", "UART ERR\0HW12.34_FW56.78 long identity\0"s);
  std::string version;
  EXPECT_TRUE(commands::getVersion(&device, version));
  EXPECT_EQ(version, "HW12.34_FW56.78 long identity");

  // Anything after the first eight characters of the first answer is disowned too.
  device.answerRaw("gd", "UART ERR garbage\0data\0"s);
  std::string folder;
  EXPECT_TRUE(commands::getFolder(&device, folder));
  EXPECT_EQ(folder, "data");

  // A refusal can come after the fault report.
  device.answerRaw("cd", "UART ERR\0ERR\0"s);
  EXPECT_FALSE(commands::setFolder(&device, "x"));

  // No second answer in time fails the exchange.
  device.answer("ga", "UART ERR");
  std::string file = "kept";
  bool ok = true;
  EXPECT_EQ(printedBy([&] { ok = commands::getFile(&device, file); }), "unable to read response after uart error\n");
  EXPECT_FALSE(ok);
  EXPECT_EQ(file, "kept");
  // An empty second answer fails it as well.
  device.answerRaw("ga", "UART ERR\0\0"s);
  EXPECT_EQ(printedBy([&] { ok = commands::getFile(&device, file); }), "unable to read response after uart error\n");
  EXPECT_FALSE(ok);
}

TEST_F(Commands, SilenceIsAnEmptySuccessfulAnswer) {
  uint16_t frequency = 250;
  bool parsed = true;
  EXPECT_EQ(printedBy([&] { EXPECT_TRUE(commands::getFrequency(&device, frequency, &parsed)); }), "");
  EXPECT_EQ(frequency, 250);
  EXPECT_FALSE(parsed);
  std::string version = "old";
  EXPECT_TRUE(commands::getVersion(&device, version));
  EXPECT_EQ(version, "");
  EXPECT_TRUE(commands::setFrequency(&device, 500));
}

TEST_F(Commands, FrequencyAnswersParseLikeAStream) {
  struct Case {
    const char* answer;
    uint16_t expected;  // starting from 7
    bool parsed;
  };
  const Case cases[] = {
      {"500", 500, true}, {" \t 250Hz", 250, true}, {"65535", 65535, true},
      {"   ", 7, false},  // all blank: unchanged
      {"fast", 0, false}, {"65536", 0, false}, {"99999999999999999999", 0, false},  // no 16-bit number: 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    device.answer("gf", c.answer);
    uint16_t frequency = 7;
    bool parsed = !c.parsed;
    EXPECT_TRUE(commands::getFrequency(&device, frequency, &parsed));
    EXPECT_EQ(frequency, c.expected);
    EXPECT_EQ(parsed, c.parsed);
  }
  uint16_t frequency = 3;
  device.answer("gf", "128");
  EXPECT_TRUE(commands::getFrequency(&device, frequency));  // parsed is optional
  EXPECT_EQ(frequency, 128);
}

TEST_F(Commands, BinaryParameters) {
  EXPECT_TRUE(commands::setClock(&device, CalendarTime{2020, 3, 1, 14, 5, 9}));
  EXPECT_TRUE(commands::setFrequency(&device, 500));
  EXPECT_TRUE(commands::setModes(&device, "\x01\x00\x09"s));
  EXPECT_TRUE(commands::setFile(&device, "take"));
  EXPECT_TRUE(commands::setExtra(&device, ""));
  EXPECT_TRUE(commands::endClockMode(&device));
  EXPECT_EQ(device.writes(),
            (std::vector<std::string>{"ct", "\x07\xE4\x03\x01\x0E\x05\x09", "cf", "\xF4\x01", "cc",
                                      "\x01\x00\x09"s, "ca", "take\0"s, "cx", "\0"s, "a"}));
  EXPECT_EQ(commands::clockParameters(CalendarTime{2019, 12, 31, 23, 59, 60}), "\x07\xE3\x0C\x1F\x17\x3B\x3C");
}

TEST_F(Commands, FailedTransfersPrintOneLine) {
  std::string answer;
  bool ok = true;
  device.scriptWrite(Connection::kFailed);
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to send command gv\n");
  EXPECT_FALSE(ok);

  device.scriptWrite(1);  // a short write
  EXPECT_EQ(printedBy([&] { ok = commands::sendCommand(&device, "gx", "", answer); }), "unable to send command gx\n");
  EXPECT_FALSE(ok);

  device.scriptWrite(2);
  device.scriptWrite(Connection::kTimedOut);
  EXPECT_EQ(printedBy([&] { ok = commands::setFolder(&device, "rec"); }),
            "unable to send parameters rec\0\n"s);
  EXPECT_FALSE(ok);

  device.feedFailure();
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to read response\n");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(device.isConnected());  // nothing is undone

  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(nullptr, answer); }), "unable to send command gv\n");
  EXPECT_FALSE(ok);

  device.feedLinkLoss();
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to read response\n");
  EXPECT_FALSE(device.isConnected());
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to send command gv\n");
}

TEST_F(Commands, WriteOnlyCommandsReadNothing) {
  device.feed("leftover");
  EXPECT_TRUE(commands::startStreaming(&device));
  EXPECT_TRUE(commands::stopStreaming(&device));
  EXPECT_TRUE(commands::enterClockMode(&device));
  EXPECT_EQ(device.written(), "spck");
  EXPECT_EQ(device.readCalls(), 0u);
  EXPECT_EQ(device.pendingBytes(), 8u);
  device.scriptWrite(1);
  std::string printed = printedBy([&] { EXPECT_FALSE(commands::enterClockMode(&device)); });
  device.scriptWrite(Connection::kFailed);
  printed += printedBy([&] { EXPECT_FALSE(commands::stopStreaming(&device)); });
  EXPECT_FALSE(commands::startStreaming(nullptr));
  EXPECT_EQ(printed, "");
}

TEST_F(Commands, ClockSampleReadsTwoBigEndianTimes) {
  device.answerRaw("\x01"s, "\x01\x02\x03\x04\xFF\xFF\xFF\xFE");
  device.setChunkSize(1);
  uint32_t first = 0, second = 0;
  EXPECT_TRUE(commands::clockSample(&device, first, second));
  EXPECT_EQ(first, 0x01020304u);
  EXPECT_EQ(second, 0xFFFFFFFEu);
  EXPECT_EQ(device.readCalls(), 8u);

  device.answerRaw("\x01"s, "\x01\x02\x03\x04\x05\x06");  // then silence
  EXPECT_FALSE(commands::clockSample(&device, first, second));
  device.scriptWrite(Connection::kTimedOut);
  EXPECT_FALSE(commands::clockSample(&device, first, second));
}

TEST_F(Commands, OverlongAnswersAreCutAndLeaveTheStreamInStep) {
  // Exactly the limit is whole; beyond it the rest up to the NUL is read and dropped.
  device.answer("gv", std::string(commands::kMaximumResponse, 'v'));
  device.answer("gd", std::string(commands::kMaximumResponse + 500, 'd'));
  device.answer("ga", "file");
  std::string version, folder, file;
  EXPECT_EQ(printedBy([&] { EXPECT_TRUE(commands::getVersion(&device, version)); }), "");
  EXPECT_EQ(version, std::string(commands::kMaximumResponse, 'v'));
  EXPECT_EQ(printedBy([&] { EXPECT_TRUE(commands::getFolder(&device, folder)); }),
            "response longer than 6000 bytes cut\n");
  EXPECT_EQ(folder, std::string(commands::kMaximumResponse, 'd'));
  EXPECT_TRUE(commands::getFile(&device, file));
  EXPECT_EQ(file, "file");
  EXPECT_EQ(device.pendingBytes(), 0u);
}

// Every byte comes within the time-out, but the answer never ends.
class TricklingDevice : public test::ScriptedConnection {
 protected:
  uint32_t doRead(uint8_t* buffer, uint32_t count) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (count > 0) buffer[0] = 'x';
    return count > 0 ? 1 : 0;
  }
};

TEST(CommandAnswer, ATricklingDeviceTimesOutAsAWhole) {
  TricklingDevice device;
  device.open();
  device.setTimeout(5);
  std::string version = "old";
  EXPECT_TRUE(commands::getVersion(&device, version));  // as after a time-out: empty
  EXPECT_EQ(version, "");
}

}  // namespace
}  // namespace zav

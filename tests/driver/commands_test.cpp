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

TEST_F(Commands, AnswersAreTakenUpToTheirNulWithErrRefusingAndUartErrDisowned) {
  const std::string limit(commands::kMaximumResponse, 'v');
  const std::string afterUartError = "unable to read response after uart error\n";
  const struct {
    const char* what;
    std::string answer;  // the device's bytes
    bool ok;
    std::string text;  // the answer as taken, from "old"
    std::string printed;
  } cases[] = {
      {"a text answer", "HW1.0_FW2.3\0"s, true, "HW1.0_FW2.3", ""},
      {"silence: an empty answer", "", true, "", ""},
      {"only the exact text refuses", "ERRATA\0"s, true, "ERRATA", ""},
      {"a refusal, silently", "ERR\0"s, false, "old", ""},
      {"the real answer after UART ERR, longer", "UART ERR\0HW12.34_FW56.78 long\0"s, true,
       "HW12.34_FW56.78 long", ""},
      {"the first answer disowned whole", "UART ERR garbage\0data\0"s, true, "data", ""},
      {"a refusal after UART ERR", "UART ERR\0ERR\0"s, false, "old", ""},
      {"no answer after UART ERR", "UART ERR\0"s, false, "old", afterUartError},
      {"an empty answer after UART ERR", "UART ERR\0\0"s, false, "old", afterUartError},
      {"exactly the limit", limit + '\0', true, limit, ""},
      {"beyond the limit: cut, the rest dropped", limit + "vvv\0"s, true, limit,
       "response longer than 6000 bytes cut\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    device.answerRaw("gv", c.answer);
    std::string text = "old";
    bool ok = !c.ok;
    EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, text); }), c.printed);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(device.pendingBytes(), 0u);  // the stream stays in step
  }
}

TEST_F(Commands, FrequencyAnswersParseLikeAStream) {
  struct Case {
    const char* answer;
    uint16_t expected;  // starting from 7
    bool parsed;
  };
  const Case cases[] = {
      {"500", 500, true},
      {" \t 250Hz", 250, true},
      {"65535", 65535, true},
      {"", 7, false},
      {"   ", 7, false},  // empty or all blank: unchanged
      {"fast", 0, false},
      {"65536", 0, false},
      {"99999999999999999999", 0, false},  // no 16-bit number: 0
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

TEST_F(Commands, EachCommandWritesItsCodeAndParametersAndOnlyAnsweredOnesRead) {
  device.answer("gc", "EEG   032 003 008 001uSD   000 000 000 001");
  SignalList signals;
  std::string text;
  EXPECT_TRUE(commands::getSignals(&device, signals));
  ASSERT_EQ(signals.size(), 2u);
  EXPECT_EQ(signals[0], SignalInfo("EEG", 32, 3, 8, 1));
  EXPECT_TRUE(commands::getFolder(&device, text));
  EXPECT_TRUE(commands::getFile(&device, text));
  EXPECT_TRUE(commands::getExtra(&device, text));
  EXPECT_TRUE(commands::setClock(&device, CalendarTime{2020, 3, 1, 14, 5, 9}));
  EXPECT_TRUE(commands::setFrequency(&device, 500));
  EXPECT_TRUE(commands::setModes(&device, "\x01\x00\x09"s));
  EXPECT_TRUE(commands::setFolder(&device, "rec"));
  EXPECT_TRUE(commands::setFile(&device, "take"));
  EXPECT_TRUE(commands::setExtra(&device, ""));
  EXPECT_TRUE(commands::endClockMode(&device));
  EXPECT_EQ(device.writes(),
            (std::vector<std::string>{"gc", "gd", "ga", "gx", "ct", "\x07\xE4\x03\x01\x0E\x05\x09", "cf",
                                      "\xF4\x01", "cc", "\x01\x00\x09"s, "cd", "rec\0"s, "ca", "take\0"s,
                                      "cx", "\0"s, "a"}));
  EXPECT_EQ(commands::clockParameters(CalendarTime{2019, 12, 31, 23, 59, 60}),
            "\x07\xE3\x0C\x1F\x17\x3B\x3C");

  device.clearWritten();
  device.feed("leftover");
  const uint32_t reads = device.readCalls();
  EXPECT_TRUE(commands::startStreaming(&device));
  EXPECT_TRUE(commands::stopStreaming(&device));
  EXPECT_TRUE(commands::enterClockMode(&device));
  EXPECT_EQ(device.written(), "spck");
  EXPECT_EQ(device.readCalls(), reads);
  EXPECT_EQ(device.pendingBytes(), 8u);
}

TEST_F(Commands, FailedTransfersPrintOneLineAndWriteOnlyCommandsNone) {
  std::string answer;
  bool ok = true;
  device.scriptWrite(Connection::kFailed);
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to send command gv\n");
  EXPECT_FALSE(ok);

  device.scriptWrite(1);  // a short write
  EXPECT_EQ(printedBy([&] { ok = commands::sendCommand(&device, "gx", "", answer); }),
            "unable to send command gx\n");
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

  device.scriptWrite(1);
  device.scriptWrite(Connection::kFailed);
  EXPECT_EQ(printedBy([&] {
              EXPECT_FALSE(commands::enterClockMode(&device));
              EXPECT_FALSE(commands::stopStreaming(&device));
              EXPECT_FALSE(commands::startStreaming(nullptr));
            }),
            "");

  device.feedLinkLoss();
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to read response\n");
  EXPECT_FALSE(device.isConnected());
  EXPECT_EQ(printedBy([&] { ok = commands::getVersion(&device, answer); }), "unable to send command gv\n");
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

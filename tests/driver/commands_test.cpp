#include "driver/commands.h"

#include "scripted_device.h"

namespace zav {
namespace {

using namespace std::string_literals;
using Commands = test::ScriptedDevice;

TEST_F(Commands, AnswersAreTakenUpToTheirNulWithErrRefusingAndUartErrDisowned) {
  const std::string limit(commands::kMaximumResponse, 'v');
  const std::string afterUartError = "unable to read response after uart error\n";
  const struct {
    const char* what;
    std::string answer;  // the device's bytes
    bool ok;
    std::string text, printed;  // the answer as taken (from "old"), and what was printed
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
    EXPECT_EQ(printedBy([&] { return commands::getVersion(&device, text); }, c.ok), c.printed);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(device.pendingBytes(), 0u);  // the stream stays in step
  }
}

TEST_F(Commands, FrequencyAnswersParseLikeAStream) {
  const struct {
    const char* answer;
    uint16_t expected;  // starting from 7: empty or all blank leaves it, no 16-bit number gives 0
    bool parsed;
  } cases[] = {{"500", 500, true},     {" \t 250Hz", 250, true},
               {"65535", 65535, true}, {"", 7, false},
               {"   ", 7, false},      {"fast", 0, false},
               {"65536", 0, false},    {"99999999999999999999", 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    device.answer("gf", c.answer);
    uint16_t frequency = 7;
    bool parsed = !c.parsed;
    EXPECT_TRUE(commands::getFrequency(&device, frequency, &parsed));
    EXPECT_EQ(frequency, c.expected);
    EXPECT_EQ(parsed, c.parsed);
  }
}

TEST_F(Commands, EachCommandWritesItsCodeAndParametersAndOnlyAnsweredOnesRead) {
  device.answer("gc", "EEG   032 003 008 001uSD   000 000 000 001");
  SignalList signals;
  std::string text;
  for (const bool ok :
       {commands::getSignals(&device, signals), commands::getFolder(&device, text),
        commands::getFile(&device, text), commands::getExtra(&device, text),
        commands::setClock(&device, CalendarTime{2020, 3, 1, 14, 5, 9}), commands::setFrequency(&device, 500),
        commands::setModes(&device, "\x01\x00\x09"s), commands::setFolder(&device, "rec"),
        commands::setFile(&device, "take"), commands::setExtra(&device, ""), commands::endClockMode(&device)})
    EXPECT_TRUE(ok);
  EXPECT_EQ(device.writes(),
            (std::vector<std::string>{"gc", "gd", "ga", "gx", "ct", "\x07\xE4\x03\x01\x0E\x05\x09", "cf",
                                      "\xF4\x01", "cc", "\x01\x00\x09"s, "cd", "rec\0"s, "ca", "take\0"s,
                                      "cx", "\0"s, "a"}));

  device.clearWritten();
  device.feed("leftover");
  EXPECT_TRUE(commands::startStreaming(&device) && commands::stopStreaming(&device) &&
              commands::enterClockMode(&device));
  EXPECT_EQ(device.written(), "spck");
  EXPECT_EQ(device.pendingBytes(), 8u);
}

TEST_F(Commands, FailedTransfersPrintOneLineAndWriteOnlyCommandsNone) {
  std::string answer;
  device.scriptWrite(Connection::kFailed);
  EXPECT_EQ(printedBy([&] { return commands::getVersion(&device, answer); }), "unable to send command gv\n");
  device.scriptWrite(1);  // a short write
  EXPECT_EQ(printedBy([&] { return commands::sendCommand(&device, "gx", "", answer); }),
            "unable to send command gx\n");
  device.scriptWrite(2);
  device.scriptWrite(Connection::kTimedOut);
  EXPECT_EQ(printedBy([&] { return commands::setFolder(&device, "rec"); }),
            "unable to send parameters rec\0\n"s);
  device.feedFailure();
  EXPECT_EQ(printedBy([&] { return commands::getVersion(&device, answer); }), "unable to read response\n");
  EXPECT_TRUE(device.isConnected());  // nothing is undone
  EXPECT_EQ(printedBy([&] { return commands::getVersion(nullptr, answer); }), "unable to send command gv\n");

  device.scriptWrite(1);
  device.scriptWrite(Connection::kFailed);
  const auto writeOnly = [&] {
    return commands::enterClockMode(&device) || commands::stopStreaming(&device) ||
           commands::startStreaming(nullptr);
  };
  EXPECT_EQ(printedBy(writeOnly), "");
}

TEST_F(Commands, ClockSampleReadsTwoBigEndianTimes) {
  device.answerRaw("\x01"s, "\x01\x02\x03\x04\xFF\xFF\xFF\xFE");
  device.setChunkSize(1);
  uint32_t first = 0, second = 0;
  EXPECT_TRUE(commands::clockSample(&device, first, second));
  EXPECT_EQ(std::make_pair(first, second), std::make_pair(0x01020304u, 0xFFFFFFFEu));

  device.answerRaw("\x01"s, "\x01\x02\x03\x04\x05\x06");  // then silence
  EXPECT_FALSE(commands::clockSample(&device, first, second));
  device.scriptWrite(Connection::kTimedOut);
  EXPECT_FALSE(commands::clockSample(&device, first, second));
}

}  // namespace
}  // namespace zav

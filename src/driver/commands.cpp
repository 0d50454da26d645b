#include "driver/commands.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "common/byte_order.h"
#include "common/diagnostics.h"
#include "common/text_fields.h"
#include "transport/connection.h"

namespace zav::commands {

namespace {

bool writeAll(Connection* connection, const std::string& bytes) {
  const int32_t written = connection->write(reinterpret_cast<const uint8_t*>(bytes.data()),
                                            static_cast<uint32_t>(bytes.size()));
  return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

// How long one answer may take in all: the time-out bounds each byte, so a device that
// trickles bytes just within it could otherwise hold a command for hours.
std::chrono::milliseconds answerLimit(uint32_t timeoutMs) {
  const uint64_t timeout = timeoutMs;
  const uint64_t margin = std::min<uint64_t>(std::max<uint64_t>(3 * timeout, 1000), 10000);
  return std::chrono::milliseconds(timeout + margin);
}

// One NUL-ended response into response: the count kept, 0 on time-out (also when the whole
// answer takes longer than its limit), -1 on error. The answer is read to its NUL even
// beyond kMaximumResponse, so that the next command reads its own answer.
int32_t readResponse(Connection* connection, std::string& response) {
  response.clear();
  const auto deadline = std::chrono::steady_clock::now() + answerLimit(connection->timeout());
  bool cut = false;
  for (;;) {
    uint8_t byte = 0;
    const int32_t got = connection->read(&byte, 1);
    if (got <= 0 || std::chrono::steady_clock::now() > deadline) {
      response.clear();
      return got < 0 ? -1 : 0;
    }
    if (byte == 0) break;
    if (response.size() < kMaximumResponse) {
      response.push_back(static_cast<char>(byte));
    } else {
      cut = true;
    }
  }
  if (cut) diag::line("response longer than ", kMaximumResponse, " bytes cut");
  return static_cast<int32_t>(response.size());
}

bool startsWithUartError(const std::string& response) { return response.compare(0, 8, "UART ERR") == 0; }

bool sendWithoutAnswer(Connection* connection, const std::string& command) {
  return connection != nullptr && writeAll(connection, command);
}

bool sendIgnoringAnswer(Connection* connection, const std::string& command, const std::string& parameters) {
  std::string response;
  return sendCommand(connection, command, parameters, response);
}

bool getText(Connection* connection, const std::string& command, std::string& value) {
  std::string response;
  if (!sendCommand(connection, command, "", response)) return false;
  value = response;
  return true;
}

std::string withTerminator(const std::string& text) { return text + '\0'; }

}  // namespace

bool sendCommand(Connection* connection, const std::string& command, const std::string& parameters,
                 std::string& response) {
  if (connection == nullptr || !writeAll(connection, command)) {
    diag::line("unable to send command ", command);
    return false;
  }
  if (!parameters.empty() && !writeAll(connection, parameters)) {
    diag::line("unable to send parameters ", parameters);
    return false;
  }
  if (readResponse(connection, response) < 0) {
    diag::line("unable to read response");
    return false;
  }
  // The device disowns what it sent before "UART ERR"; the real answer is a response of
  // its own, with the full length limit.
  if (startsWithUartError(response) && readResponse(connection, response) <= 0) {
    diag::line("unable to read response after uart error");
    return false;
  }
  return response != "ERR";
}

bool getVersion(Connection* connection, std::string& version) { return getText(connection, "gv", version); }

bool getFrequency(Connection* connection, uint16_t& frequency, bool* parsed) {
  if (parsed != nullptr) *parsed = false;
  std::string response;
  if (!sendCommand(connection, "gf", "", response)) return false;
  if (text::isBlank(response)) return true;
  const std::optional<uint16_t> number = text::readUnsigned16(response);
  frequency = number.value_or(0);
  if (parsed != nullptr) *parsed = number.has_value();
  return true;
}

bool getSignals(Connection* connection, SignalList& signals) {
  std::string response;
  if (!sendCommand(connection, "gc", "", response)) return false;
  signals = parseSignalList(response);
  return true;
}

bool getFolder(Connection* connection, std::string& folder) { return getText(connection, "gd", folder); }

bool getFile(Connection* connection, std::string& file) { return getText(connection, "ga", file); }

bool getExtra(Connection* connection, std::string& extra) { return getText(connection, "gx", extra); }

bool setModes(Connection* connection, const std::string& modes) {
  return sendIgnoringAnswer(connection, "cc", modes);
}

bool setFolder(Connection* connection, const std::string& folder) {
  return sendIgnoringAnswer(connection, "cd", withTerminator(folder));
}

bool setFile(Connection* connection, const std::string& file) {
  return sendIgnoringAnswer(connection, "ca", withTerminator(file));
}

bool setExtra(Connection* connection, const std::string& extra) {
  return sendIgnoringAnswer(connection, "cx", withTerminator(extra));
}

bool setFrequency(Connection* connection, uint16_t frequency) {
  const char parameters[2] = {static_cast<char>(frequency & 0xFF), static_cast<char>(frequency >> 8)};
  return sendIgnoringAnswer(connection, "cf", std::string(parameters, sizeof parameters));
}

bool setClock(Connection* connection, const CalendarTime& time) {
  return sendIgnoringAnswer(connection, "ct", clockParameters(time));
}

bool endClockMode(Connection* connection) { return sendIgnoringAnswer(connection, "a", ""); }

bool startStreaming(Connection* connection) { return sendWithoutAnswer(connection, "s"); }

bool stopStreaming(Connection* connection) { return sendWithoutAnswer(connection, "p"); }

bool enterClockMode(Connection* connection) { return sendWithoutAnswer(connection, "ck"); }

namespace {

// Byte by byte: the device sends the sample in one go, but each single read is what the
// time-out bounds.
bool readDeviceTime(Connection* connection, uint32_t& time) {
  uint8_t bytes[4] = {};
  for (uint8_t& byte : bytes) {
    if (connection->read(&byte, 1) != 1) return false;
  }
  time = readU32BE(bytes);
  return true;
}

}  // namespace

bool clockSample(Connection* connection, uint32_t& first, uint32_t& second) {
  if (!sendWithoutAnswer(connection, std::string(1, '\x01'))) return false;
  return readDeviceTime(connection, first) && readDeviceTime(connection, second);
}

std::string clockParameters(const CalendarTime& time) {
  const auto byte = [](uint32_t value) { return static_cast<char>(value & 0xFFu); };
  uint8_t year[2] = {};
  writeU16BE(year, static_cast<uint16_t>(time.year));
  const char parameters[7] = {static_cast<char>(year[0]),
                              static_cast<char>(year[1]),
                              byte(static_cast<uint32_t>(time.month)),
                              byte(static_cast<uint32_t>(time.day)),
                              byte(static_cast<uint32_t>(time.hour)),
                              byte(static_cast<uint32_t>(time.minute)),
                              byte(static_cast<uint32_t>(time.second))};
  return std::string(parameters, sizeof parameters);
}

}  // namespace zav::commands

#include "driver/commands.h"

#include "common/diagnostics.h"
#include "transport/connection.h"

namespace zav::commands {

namespace {

bool writeAll(Connection* connection, const std::string& bytes) {
  const int32_t written = connection->write(reinterpret_cast<const uint8_t*>(bytes.data()),
                                            static_cast<uint32_t>(bytes.size()));
  return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

// One NUL-ended response into response; the count read, 0 on time-out, -1 on error.
int32_t readResponse(Connection* connection, std::string& response) {
  response.assign(kMaximumResponse, '\0');
  const int32_t count = connection->readUntil(reinterpret_cast<uint8_t*>(&response[0]), kMaximumResponse, 0);
  response.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return count;
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

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads the device's frequency answer like stream extraction of an unsigned 16-bit
// number: blanks skipped, digits up to the first non-digit. No text leaves the value as
// it was; text without a number, or a number beyond 16 bits, gives 0.
void parseFrequency(const std::string& text, uint16_t& frequency, bool* parsed) {
  if (parsed != nullptr) *parsed = false;
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i == text.size()) return;
  uint32_t value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= 0xFFFF; ++i, ++digits) {
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');
  }
  const bool number = digits > 0 && value <= 0xFFFF;
  frequency = number ? static_cast<uint16_t>(value) : 0;
  if (parsed != nullptr) *parsed = number;
}

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
  parseFrequency(response, frequency, parsed);
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

bool readDeviceTime(Connection* connection, uint32_t& time) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t byte = 0;
    if (connection->read(&byte, 1) != 1) return false;
    value = value * 256 + byte;
  }
  time = value;
  return true;
}

}  // namespace

bool clockSample(Connection* connection, uint32_t& first, uint32_t& second) {
  if (!sendWithoutAnswer(connection, std::string(1, '\x01'))) return false;
  return readDeviceTime(connection, first) && readDeviceTime(connection, second);
}

std::string clockParameters(const CalendarTime& time) {
  const auto byte = [](uint32_t value) { return static_cast<char>(value & 0xFFu); };
  const auto year = static_cast<uint32_t>(time.year);
  const char parameters[7] = {byte(year >> 8),
                              byte(year),
                              byte(static_cast<uint32_t>(time.month)),
                              byte(static_cast<uint32_t>(time.day)),
                              byte(static_cast<uint32_t>(time.hour)),
                              byte(static_cast<uint32_t>(time.minute)),
                              byte(static_cast<uint32_t>(time.second))};
  return std::string(parameters, sizeof parameters);
}

}  // namespace zav::commands

#include "transport/mock_command_interpreter.h"

#include <algorithm>
#include <string>

#include "common/diagnostics.h"

namespace zav {

namespace {

constexpr std::size_t kCommandBytes = 2;
constexpr std::size_t kClockCommandBytes = kCommandBytes + 7;
constexpr uint8_t kClockSampleRequest = 0x01;
constexpr uint8_t kEndClockMode = 'a';

void consume(std::vector<uint8_t>& input, std::size_t count) {
  input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(std::min(count, input.size())));
}

void answerText(ByteQueue& output, const std::string& text) {
  output.append(text);
  output.push(0);
}

void unknownCommand(std::vector<uint8_t>& input) {
  std::string bytes = "input buffer:";
  for (uint8_t byte : input) {
    bytes += ' ';
    bytes += static_cast<char>(byte);
  }
  diag::line("MockConnection::Impl::unknown_command");
  diag::line(bytes);
  input.clear();
}

bool isGet(uint8_t letter) {
  return letter == 'v' || letter == 'f' || letter == 'a' || letter == 'd' || letter == 'c';
}

bool isSet(uint8_t letter) {
  return letter == 'c' || letter == 'd' || letter == 'a' || letter == 't';
}

void answerGet(MockDevice& device, uint8_t letter, ByteQueue& output) {
  switch (letter) {
    case 'v':
      answerText(output, device.version());
      break;
    case 'f':
      answerText(output, std::to_string(device.frequency()));
      break;
    case 'a':
      answerText(output, device.file());
      break;
    case 'd':
      answerText(output, device.folder());
      break;
    default:
      answerText(output, device.signalListText());
      break;
  }
}

// Runs one set command in the open state; false while its parameters are incomplete.
bool runSet(MockDevice& device, uint8_t letter, const std::vector<uint8_t>& input, ByteQueue& output) {
  if (letter == 'c') {
    if (input.size() < kCommandBytes + device.signals().size()) return false;
    answerText(output, device.setModes(input.data() + kCommandBytes) ? "OK" : "ERR");
    return true;
  }
  if (letter == 't') {
    if (input.size() < kClockCommandBytes) return false;
    device.setClock(input.data() + kCommandBytes);
    answerText(output, device.clockText());
    return true;
  }
  const auto end = std::find(input.begin() + kCommandBytes, input.end(), uint8_t{0});
  if (end == input.end()) return false;
  std::string name(input.begin() + kCommandBytes, end);
  // The real device echoes the name without a terminator.
  output.append(name);
  if (letter == 'd') {
    device.setFolder(std::move(name));
  } else {
    device.setFile(std::move(name));
  }
  return true;
}

}  // namespace

void interpretCommands(MockDevice& device, int32_t& state, std::vector<uint8_t>& input, ByteQueue& output) {
  while (!input.empty()) {
    const uint8_t first = input[0];
    if (first == 's') {
      device.startStreaming();
      state = kMockStreaming;
      consume(input, 1);
      continue;
    }
    if (first == 'p') {
      device.stopStreaming();
      state = kMockOpen;
      consume(input, 1);
      continue;
    }
    if (device.clockMode() && state == kMockOpen && (first == kClockSampleRequest || first == kEndClockMode)) {
      if (first == kClockSampleRequest) {
        uint8_t answer[8];
        device.clockSample(answer);
        output.append(answer, sizeof answer);
      } else {
        device.setClockMode(false);
        answerText(output, "OK");
      }
      consume(input, 1);
      continue;
    }
    if (input.size() < kCommandBytes) {
      unknownCommand(input);
      return;
    }
    const uint8_t letter = input[1];
    if (first == 'g' && isGet(letter)) {
      if (state == kMockOpen) answerGet(device, letter, output);
      consume(input, kCommandBytes);
      continue;
    }
    if (first == 'c' && letter == 'k' && state == kMockOpen) {
      device.setClockMode(true);  // answers nothing: the samples follow
      consume(input, kCommandBytes);
      continue;
    }
    if (first == 'c' && (isSet(letter) || letter == 'k')) {
      if (state != kMockOpen) {
        input.clear();
        return;
      }
      if (!runSet(device, letter, input, output)) return;
      input.clear();
      continue;
    }
    unknownCommand(input);
    return;
  }
}

}  // namespace zav

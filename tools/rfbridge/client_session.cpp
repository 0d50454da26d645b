#include "client_session.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace zav::rfbridge {

namespace {

// The relay alternates between the two sides on one thread (the simulated device is not
// thread-safe), so each wait is short.
constexpr uint32_t kClientPollMs = 2;
constexpr uint32_t kDevicePollMs = 2;
// A client that connects and never finishes its request is let go.
constexpr auto kRequestLimit = std::chrono::seconds(10);
constexpr std::size_t kChunk = 16384;

using platform::SocketStatus;

bool sendAll(platform::Socket& socket, const uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const platform::SocketResult sent = socket.send(bytes, static_cast<uint32_t>(count));
    if (sent.status != SocketStatus::ok || sent.count == 0) return false;
    bytes += sent.count;
    count -= sent.count;
  }
  return true;
}

bool writeAll(Connection& connection, const uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const int32_t written = connection.write(bytes, static_cast<uint32_t>(count));
    if (written <= 0) return false;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

const char* refusalText(Refusal reason) {
  switch (reason) {
    case Refusal::unknownDevice:
      return "unknown device";
    case Refusal::busy:
      return "device busy with another client";
    case Refusal::connectFailed:
      return "connection to the device failed";
    case Refusal::tooLong:
      return "request too long";
  }
  return "refused";
}

ClientSession::ClientSession(platform::Socket client, uint64_t number, DeviceRegistry& devices,
                             BridgeLog& log, const std::atomic<bool>& stopping)
    : client_(std::move(client)), number_(number), devices_(devices), log_(log), stopping_(stopping) {}

void ClientSession::run() {
  log_.line("client ", number_, " connected");
  std::string request;
  std::string surplus;
  if (!readRequest(request, surplus)) {
    log_.line("client ", number_, " closed before its request");
    return;
  }
  if (request.size() > kLongestRequest) {
    answer("NO", static_cast<uint8_t>(Refusal::tooLong));
    log_.line("client ", number_, " refused: ", refusalText(Refusal::tooLong));
    return;
  }
  log_.line("client ", number_, " device ", request);
  const DeviceRegistry::Claim claim = devices_.claim(request);
  if (claim.device == nullptr) {
    answer("NO", static_cast<uint8_t>(claim.reason));
    log_.line("client ", number_, " refused: ", refusalText(claim.reason));
    return;
  }
  answer("OK", static_cast<uint8_t>(claim.device->simulated ? Granted::simulated : Granted::bluetooth));
  relay(*claim.device, surplus);
  devices_.release(*claim.device);
  client_.close();
  log_.line("client ", number_, " closed: ", toDevice_, " bytes to the device, ", toClient_,
            " bytes to the client");
}

// The text up to the 0 byte; a request with no 0 byte in its first kLongestRequest + 1
// bytes comes back longer than kLongestRequest. Bytes after the 0 byte are the client's
// first bytes for the device.
bool ClientSession::readRequest(std::string& request, std::string& surplus) {
  client_.setReceiveTimeout(100);
  const auto limit = std::chrono::steady_clock::now() + kRequestLimit;
  uint8_t buffer[kLongestRequest + 1];
  std::string received;
  while (!stopping_ && std::chrono::steady_clock::now() < limit) {
    const platform::SocketResult result = client_.receive(buffer, sizeof buffer);
    if (result.status == SocketStatus::timedOut) continue;
    if (result.status != SocketStatus::ok) return false;
    received.append(reinterpret_cast<const char*>(buffer), result.count);
    const std::size_t end = received.find('\0');
    if (end != std::string::npos) {
      request = received.substr(0, end);
      surplus = received.substr(end + 1);
      return true;
    }
    if (received.size() > kLongestRequest) {
      request = received;
      return true;
    }
  }
  return false;
}

void ClientSession::answer(const char* word, uint8_t code) {
  const uint8_t bytes[kAnswerBytes] = {static_cast<uint8_t>(word[0]), static_cast<uint8_t>(word[1]), code};
  sendAll(client_, bytes, sizeof bytes);
}

void ClientSession::relay(BridgeDevice& device, const std::string& surplus) {
  Connection& connection = *device.connection;
  connection.setTimeout(kDevicePollMs);
  client_.setReceiveTimeout(kClientPollMs);
  if (!surplus.empty()) {
    if (!writeAll(connection, reinterpret_cast<const uint8_t*>(surplus.data()), surplus.size())) return;
    toDevice_ += surplus.size();
  }
  std::vector<uint8_t> buffer(kChunk);
  while (!stopping_) {
    const platform::SocketResult received = client_.receive(buffer.data(), kChunk);
    if (received.status == SocketStatus::ok) {
      if (!writeAll(connection, buffer.data(), received.count)) return;
      toDevice_ += received.count;
    } else if (received.status != SocketStatus::timedOut) {
      return;  // the client went away
    }
    // A device with more to say is read on for a moment before the client is polled again,
    // so that a fast stream is not held to one read per client poll.
    const auto budget = std::chrono::steady_clock::now() + std::chrono::milliseconds(kClientPollMs);
    int32_t read = 0;
    do {
      read = connection.read(buffer.data(), kChunk);
      if (read < 0) return;  // the device link is lost
      if (read > 0) {
        if (!sendAll(client_, buffer.data(), static_cast<std::size_t>(read))) return;
        toClient_ += static_cast<uint64_t>(read);
      }
    } while (read > 0 && std::chrono::steady_clock::now() < budget);
  }
}

}  // namespace zav::rfbridge

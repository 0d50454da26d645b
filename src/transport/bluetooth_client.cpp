#include "transport/bluetooth_client.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/bluetooth_discovery.h"
#include "platform/process_spawn.h"
#include "transport/connection.h"

namespace zav {

namespace {

constexpr size_t kAddressLength = 17;  // XX:XX:XX:XX:XX:XX
constexpr uint32_t kAnswerLength = 3;
constexpr uint8_t kRfcommChannel = 1;
constexpr auto kBridgeStartPause = std::chrono::milliseconds(50);
constexpr const char* kTestBridgeIdleSeconds = "10";
constexpr const char* kSimulatedPrefix = "sim:";

using platform::SocketResult;
using platform::SocketStatus;

// A reset, abort or refusal loses the link when receiving; when sending it is a failure
// like any other error.
enum class ResetMeans { linkLost, failure };

uint32_t rawResult(const SocketResult& result, ResetMeans reset) {
  switch (result.status) {
    case SocketStatus::ok:
      return result.count;
    case SocketStatus::timedOut:
      return Connection::kTimedOut;
    case SocketStatus::closedByPeer:
      return Connection::kLinkLost;
    case SocketStatus::linkLost:
      return reset == ResetMeans::linkLost ? Connection::kLinkLost : Connection::kFailed;
    case SocketStatus::failed:
      break;
  }
  return Connection::kFailed;
}

}  // namespace

std::optional<uint64_t> parseBluetoothAddress(const std::string& text) {
  if (text.size() < kAddressLength) return std::nullopt;
  uint64_t address = 0;
  for (size_t offset = 0; offset < kAddressLength; offset += 3) {
    const unsigned long part = std::strtoul(text.c_str() + offset, nullptr, 16);
    if (part > 0xFFu) return std::nullopt;
    address = (address << 8) | part;
  }
  return address;
}

BluetoothClient::BluetoothClient()
    : startBridge_([](const std::string& command, const std::vector<std::string>& arguments) {
        platform::startDetached(command, arguments);
      }) {}

BluetoothClient::~BluetoothClient() { disconnect(); }

namespace {

std::mutex defaultBridgePathLock;
std::string defaultBridgePathValue;

}  // namespace

void BluetoothClient::setDefaultBridgePath(const std::string& folder) {
  const std::lock_guard<std::mutex> hold(defaultBridgePathLock);
  defaultBridgePathValue = folder;
}

std::string BluetoothClient::defaultBridgePath() {
  const std::lock_guard<std::mutex> hold(defaultBridgePathLock);
  return defaultBridgePathValue;
}

std::string BluetoothClient::bridgeCommand() const {
  const std::string executable = platform::executableFileName("rfbridge");
  const std::string folder = bridgePath_.empty() ? defaultBridgePath() : bridgePath_;
  return folder.empty() ? executable : folder + "/" + executable;
}

std::vector<std::string> BluetoothClient::bridgeArguments() const {
  if (bridgePort_ == kBridgePort) return {};
  return {"--port", std::to_string(bridgePort_), "--idle-exit", kTestBridgeIdleSeconds};
}

bool BluetoothClient::connect(const std::string& device) {
  device_ = device;
  const uint32_t saved = timeout_;
  applyTimeout(kConnectTimeout);
  // Simulated devices ("sim:...") live in the bridge only, so even a lone one goes through it.
  const bool throughBridge = useBridge_ || device.rfind(kSimulatedPrefix, 0) == 0;
  const BridgeOutcome outcome = throughBridge ? connectThroughBridge() : BridgeOutcome::notReached;
  const bool connected =
      outcome == BridgeOutcome::granted || (outcome == BridgeOutcome::notReached && connectDirect());
  // Also after a failure: the caller's time-out must not turn into a connecting limit.
  applyTimeout(saved);
  return connected;
}

BluetoothClient::BridgeOutcome BluetoothClient::connectThroughBridge() {
  // A socket kept from a refusal is asked again rather than replaced.
  if (!socket_.isOpen() && !reachBridge()) return BridgeOutcome::notReached;

  const auto* request = reinterpret_cast<const uint8_t*>(device_.c_str());
  const auto requestSize = static_cast<uint32_t>(device_.size() + 1);  // with its 0 byte
  const SocketResult sent = socket_.send(request, requestSize, platform::SendRouting::local);
  if (sent.status != SocketStatus::ok || sent.count != requestSize) {
    socket_.close();
    return BridgeOutcome::failed;
  }
  uint8_t answer[kAnswerLength] = {};
  const SocketResult received = socket_.receive(answer, kAnswerLength);
  if (received.status != SocketStatus::ok || received.count != kAnswerLength) {
    socket_.close();
    return BridgeOutcome::failed;
  }
  return answer[0] == 'O' && answer[1] == 'K' ? BridgeOutcome::granted : BridgeOutcome::refused;
}

bool BluetoothClient::reachBridge() {
  platform::ConnectResult result = connectFreshBridgeSocket();
  if (result == platform::ConnectResult::refused) {
    // Nobody listens: start the bridge and give it time to listen; a single retry at once
    // comes before any freshly started process has bound its port.
    if (startBridge_) startBridge_(bridgeCommand(), bridgeArguments());
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBridgeStartLimit);
    result = connectFreshBridgeSocket();
    while (result == platform::ConnectResult::refused && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(kBridgeStartPause);
      result = connectFreshBridgeSocket();
    }
  }
  if (result != platform::ConnectResult::connected) {
    socket_.close();
    return false;
  }
  return true;
}

// A fresh socket for every attempt: not every socket layer lets a refused socket connect again.
platform::ConnectResult BluetoothClient::connectFreshBridgeSocket() {
  if (!socket_.openTcp()) return platform::ConnectResult::failed;
  applyTimeout(kFreshBridgeTimeout);
  return socket_.connectLoopback(bridgePort_);
}

bool BluetoothClient::connectDirect() {
  platform::BluetoothEndpoint endpoint;
  if (device_.find(':') != std::string::npos) {
    const std::optional<uint64_t> address = parseBluetoothAddress(device_);
    if (!address) return false;
    endpoint.address = *address;
  } else {
    bool found = false;
    for (const platform::DeviceRecord& record : platform::discoverDevices()) {
      if (record.name == device_) {
        endpoint = record.endpoint;
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  endpoint.channel = kRfcommChannel;
  // The limit is the time-out in force: the connecting limit, or the fresh bridge's one
  // when this is the fall-back after the bridge could not be reached.
  return socket_.connectRfcomm(endpoint, timeout_);
}

void BluetoothClient::disconnect() { socket_.close(); }

void BluetoothClient::setTimeout(uint32_t milliseconds) { applyTimeout(milliseconds); }

void BluetoothClient::applyTimeout(uint32_t milliseconds) {
  timeout_ = milliseconds;
  if (socket_.isOpen()) socket_.setReceiveTimeout(milliseconds);
}

uint32_t BluetoothClient::receive(uint8_t* buffer, uint32_t count) {
  if (!socket_.isOpen()) return Connection::kLinkLost;
  // An empty read would come back as 0, which means a closed stream.
  if (count == 0) return 0;
  return rawResult(socket_.receive(buffer, count), ResetMeans::linkLost);
}

uint32_t BluetoothClient::send(const uint8_t* buffer, uint32_t count) {
  if (!socket_.isOpen()) return Connection::kLinkLost;
  if (count == 0) return 0;
  return rawResult(socket_.send(buffer, count, platform::SendRouting::local), ResetMeans::failure);
}

}  // namespace zav

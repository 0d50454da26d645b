#include "support/loopback_bridge.h"

#include <chrono>

namespace zav::test {

namespace {

// Short enough to notice a stop or queued bytes quickly, long enough not to spin.
constexpr uint32_t kPollMs = 20;
constexpr auto kWaitLimit = std::chrono::seconds(20);

}  // namespace

LoopbackBridge::LoopbackBridge(uint16_t port) {
  if (listener_.listenLoopback(port)) port_ = listener_.localPort();
  if (port_ != 0) thread_ = std::thread([this] { run(); });
}

LoopbackBridge::~LoopbackBridge() {
  locked([&] { stopping_ = true; });
  if (thread_.joinable()) thread_.join();
}

void LoopbackBridge::setAnswer(const std::string& answer) {
  locked([&] { answer_ = answer; });
}
void LoopbackBridge::setResponder(Responder responder) {
  locked([&] { responder_ = std::move(responder); });
}
void LoopbackBridge::sendToClient(const std::string& bytes) {
  locked([&] { outgoing_ += bytes; });
}
void LoopbackBridge::dropClient() {
  locked([&] { dropRequested_ = true; });
}

template <typename Condition>
bool LoopbackBridge::waitUntil(Condition condition) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, kWaitLimit, condition);
}

bool LoopbackBridge::waitForRequests(size_t count) {
  return waitUntil([&] { return requests_.size() >= count; });
}
bool LoopbackBridge::waitForReceived(size_t bytes) {
  return waitUntil([&] { return received_.size() >= bytes; });
}
bool LoopbackBridge::waitForClosedConnections(size_t count) {
  return waitUntil([&] { return closed_ >= count; });
}

std::vector<std::string> LoopbackBridge::requests() const {
  return locked([&] { return requests_; });
}
std::string LoopbackBridge::received() const {
  return locked([&] { return received_; });
}
size_t LoopbackBridge::acceptedConnections() const {
  return locked([&] { return accepted_; });
}
size_t LoopbackBridge::closedConnections() const {
  return locked([&] { return closed_; });
}

void LoopbackBridge::run() {
  while (!locked([&] { return stopping_; })) {
    platform::Socket client = listener_.accept(kPollMs);
    if (!client.isOpen()) continue;
    locked([&] {
      ++accepted_;
      dropRequested_ = false;
      outgoing_.clear();
    });
    changed_.notify_all();
    serve(client);
    client.close();
    locked([&] { ++closed_; });
    changed_.notify_all();
  }
}

void LoopbackBridge::serve(platform::Socket& client) {
  client.setReceiveTimeout(kPollMs);
  bool relaying = false;
  std::string request;
  uint8_t buffer[4096];
  for (;;) {
    std::string toSend;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_ || dropRequested_) return;
      toSend.swap(outgoing_);
    }
    for (size_t sent = 0; sent < toSend.size();) {
      const platform::SocketResult result =
          client.send(reinterpret_cast<const uint8_t*>(toSend.data()) + sent,
                      static_cast<uint32_t>(toSend.size() - sent));
      if (result.status != platform::SocketStatus::ok) return;
      sent += result.count;
    }
    const platform::SocketResult result = client.receive(buffer, sizeof buffer);
    if (result.status == platform::SocketStatus::timedOut) continue;
    if (result.status != platform::SocketStatus::ok) return;
    const std::string reply = consume(buffer, result.count, relaying, request);
    changed_.notify_all();
    if (!reply.empty()) sendToClient(reply);
  }
}

std::string LoopbackBridge::consume(const uint8_t* bytes, uint32_t count, bool& relaying,
                                    std::string& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string reply;
  std::string relayed;
  for (uint32_t i = 0; i < count; ++i) {
    const char byte = static_cast<char>(bytes[i]);
    if (relaying) {
      relayed.push_back(byte);
    } else if (byte != '\0') {
      request.push_back(byte);
    } else {
      requests_.push_back(request);
      request.clear();
      reply += answer_;
      relaying = answer_.compare(0, 2, "OK") == 0;
    }
  }
  received_ += relayed;
  if (!relayed.empty() && responder_) reply += responder_(relayed);
  return reply;
}

uint16_t unusedLoopbackPort() {
  platform::Socket probe;
  if (!probe.listenLoopback(0)) return 0;
  return probe.localPort();
}

}  // namespace zav::test

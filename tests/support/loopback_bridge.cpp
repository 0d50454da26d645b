#include "support/loopback_bridge.h"

namespace zav::test {

namespace {

// Short enough to notice a stop or queued bytes quickly, long enough not to spin.
constexpr uint32_t kPollMs = 20;

}  // namespace

LoopbackBridge::LoopbackBridge(uint16_t port) {
  if (listener_.listenLoopback(port)) port_ = listener_.localPort();
  if (port_ != 0) thread_ = std::thread([this] { run(); });
}

LoopbackBridge::~LoopbackBridge() {
  locked([&] { stopping_ = true; });
  if (thread_.joinable()) thread_.join();
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
    serve(client);
    client.close();
    locked([&] { ++closed_; });
  }
}

void LoopbackBridge::serve(platform::Socket& client) {
  client.setReceiveTimeout(kPollMs);
  bool relaying = false;
  std::string request;
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
    uint8_t buffer[4096];
    const platform::SocketResult result = client.receive(buffer, sizeof buffer);
    if (result.status == platform::SocketStatus::timedOut) continue;
    if (result.status != platform::SocketStatus::ok) return;
    std::lock_guard<std::mutex> lock(mutex_);
    for (uint32_t i = 0; i < result.count; ++i) {
      const char byte = static_cast<char>(buffer[i]);
      if (relaying || byte != '\0') {
        (relaying ? received_ : request).push_back(byte);
        continue;
      }
      requests_.push_back(request);
      request.clear();
      outgoing_ += answer_;
      relaying = answer_.compare(0, 2, "OK") == 0;
    }
    changed_.notify_all();
  }
}

uint16_t unusedLoopbackPort() {
  platform::Socket probe;
  return probe.listenLoopback(0) ? probe.localPort() : 0;
}

}  // namespace zav::test

#include "support/loopback_bridge.h"

namespace zav::test {

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
    locked([&] { ++accepted_; });
    serve(client);
    client.close();
    locked([&] { ++closed_; });
  }
}

// After a grant the client's bytes are for the device: they are read and dropped.
void LoopbackBridge::serve(platform::Socket& client) {
  client.setReceiveTimeout(kPollMs);
  bool granted = false;
  std::string request;
  while (!locked([&] { return stopping_; })) {
    uint8_t buffer[4096];
    const platform::SocketResult result = client.receive(buffer, sizeof buffer);
    if (result.status == platform::SocketStatus::timedOut) continue;
    if (result.status != platform::SocketStatus::ok) return;
    std::string answers;
    for (uint32_t i = 0; i < result.count && !granted; ++i) {
      if (buffer[i] != 0) {
        request.push_back(static_cast<char>(buffer[i]));
        continue;
      }
      locked([&] {
        requests_.push_back(request);
        answers += answer_;
        granted = answer_.compare(0, 2, "OK") == 0;
      });
      request.clear();
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(answers.data());
    if (client.send(bytes, static_cast<uint32_t>(answers.size())).status != platform::SocketStatus::ok) return;
  }
}

uint16_t unusedLoopbackPort() {
  platform::Socket probe;
  return probe.listenLoopback(0) ? probe.localPort() : 0;
}

}  // namespace zav::test

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
    uint8_t byte = 0;
    const platform::SocketResult result = client.receive(&byte, 1);
    if (result.status == platform::SocketStatus::timedOut) continue;
    if (result.status != platform::SocketStatus::ok || result.count != 1) return;
    if (!granted && byte != 0) request.push_back(static_cast<char>(byte));
    if (granted || byte != 0) continue;
    const std::string answer = locked([&] {
      requests_.push_back(request);
      return answer_;
    });
    request.clear();
    granted = answer.compare(0, 2, "OK") == 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(answer.data());
    if (client.send(bytes, static_cast<uint32_t>(answer.size())).status != platform::SocketStatus::ok) return;
  }
}

uint16_t unusedLoopbackPort() {
  platform::Socket probe;
  return probe.listenLoopback(0) ? probe.localPort() : 0;
}

}  // namespace zav::test

// A stand-in for the Bluetooth bridge process on 127.0.0.1, serving one client at a time on its
// own thread: it answers each device request (text up to a 0 byte) with the configured bytes,
// until an answer beginning with "OK" grants the device (whose stream tests/tools covers).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace zav::test {

class LoopbackBridge {
 public:
  // Listens on the port (0: a free one) before returning, so a client may connect at once.
  explicit LoopbackBridge(uint16_t port = 0);
  ~LoopbackBridge();
  LoopbackBridge(const LoopbackBridge&) = delete;
  LoopbackBridge& operator=(const LoopbackBridge&) = delete;

  bool listening() const { return port_ != 0; }
  uint16_t port() const { return port_; }

  // The answer to each request: "OK?" grants, "NO?" refuses, "OK" is one byte short.
  void setAnswer(const std::string& answer) {
    locked([&] { answer_ = answer; });
  }

  // Each waits until the count is reached, giving up after several seconds; true when reached.
  bool waitForRequests(size_t count) {
    return waitUntil([&] { return requests_.size() >= count; });
  }
  bool waitForClosedConnections(size_t count) {
    return waitUntil([&] { return closed_ >= count; });
  }

  std::vector<std::string> requests() const {
    return locked([&] { return requests_; });
  }
  size_t acceptedConnections() const {
    return locked([&] { return accepted_; });
  }
  size_t closedConnections() const {
    return locked([&] { return closed_; });
  }

 private:
  void run();
  // Serves one client until it goes or the bridge stops.
  void serve(platform::Socket& client);
  // Runs f with the mutex held and wakes the waiters; f's result.
  template <typename F>
  auto locked(F f) const -> decltype(f()) {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
    return f();
  }
  template <typename Condition>
  bool waitUntil(Condition condition) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), condition);
  }

  // Short enough to notice a stop or queued bytes quickly, long enough not to spin.
  static constexpr uint32_t kPollMs = 20;
  platform::Socket listener_;
  uint16_t port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::string answer_ = "OK?";
  std::vector<std::string> requests_;
  size_t accepted_ = 0;
  size_t closed_ = 0;
  std::thread thread_;
};

// A loopback port on which nobody listens (free when asked; not reserved).
uint16_t unusedLoopbackPort();

}  // namespace zav::test

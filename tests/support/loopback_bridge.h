// A stand-in for the Bluetooth bridge process on 127.0.0.1, serving one client at a time on
// its own thread. It reads device requests (text up to a 0 byte) and answers each with the
// configured bytes; after an answer that begins with "OK" it relays: bytes from the client
// are recorded and handed to the responder, whose reply goes back, and bytes queued by the
// test are sent to the client.
//
//     LoopbackBridge bridge;                     // a free port; answers "OK?"
//     properties["bridgePort"] = std::to_string(bridge.port());
//     ... open the connection, write "gv" ...
//     ASSERT_TRUE(bridge.waitForReceived(2));
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace zav::test {

class LoopbackBridge {
 public:
  // Turns a chunk of relayed client bytes into the reply sent back (may be empty).
  using Responder = std::function<std::string(const std::string& chunk)>;

  // Listens on the port (0: a free one) before returning, so a client may connect at once.
  explicit LoopbackBridge(uint16_t port = 0);
  ~LoopbackBridge();
  LoopbackBridge(const LoopbackBridge&) = delete;
  LoopbackBridge& operator=(const LoopbackBridge&) = delete;

  bool listening() const { return port_ != 0; }
  uint16_t port() const { return port_; }

  // The answer to each request: "OK?" grants, "NO?" refuses, "OK" is one byte short.
  void setAnswer(const std::string& answer);
  void setResponder(Responder responder);
  static std::string echo(const std::string& chunk) { return chunk; }

  // Queues bytes for the client being served.
  void sendToClient(const std::string& bytes);
  // Closes the connection being served, as a bridge does when its device goes away.
  void dropClient();

  // Each waits until the count is reached, giving up after several seconds; true when reached.
  bool waitForRequests(size_t count);
  bool waitForReceived(size_t bytes);
  bool waitForClosedConnections(size_t count);

  std::vector<std::string> requests() const;
  std::string received() const;
  size_t acceptedConnections() const;
  size_t closedConnections() const;

 private:
  void run();
  void serve(platform::Socket& client);
  // Handles received bytes; returns the bytes to send back.
  std::string consume(const uint8_t* bytes, uint32_t count, bool& relaying, std::string& request);
  template <typename Condition>
  bool waitUntil(Condition condition);
  // Runs f with the mutex held; its result.
  template <typename F>
  auto locked(F f) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return f();
  }

  platform::Socket listener_;
  uint16_t port_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool dropRequested_ = false;
  std::string answer_ = "OK?";
  Responder responder_;
  std::string outgoing_;
  std::vector<std::string> requests_;
  std::string received_;
  size_t accepted_ = 0;
  size_t closed_ = 0;

  std::thread thread_;
};

// A loopback port on which nobody listens (free when asked; not reserved).
uint16_t unusedLoopbackPort();

}  // namespace zav::test

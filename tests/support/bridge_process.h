// The build's rfbridge, run as a child process on a free loopback port for as long as the
// object lives; its output goes to a file.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_spawn.h"
#include "platform/socket.h"
#include "support/child_process.h"
#include "support/loopback_bridge.h"

namespace zav::test {

class BridgeProcess {
 public:
  // extra: further arguments after "--port N".
  explicit BridgeProcess(const std::string& logFile, std::vector<std::string> extra = {})
      : port_(unusedLoopbackPort()) {
    extra.insert(extra.begin(), {"--port", std::to_string(port_)});
    child_ = std::make_unique<ChildProcess>(program(), extra, logFile);
    // A started program needs a moment to listen (longer under an emulator).
    for (int attempt = 0; attempt < 300 && !listening_; ++attempt) {
      platform::Socket probe;
      listening_ = probe.openTcp() && probe.connectLoopback(port_) == platform::ConnectResult::connected;
      if (!listening_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  static std::string program() { return executableFolder() + "/" + platform::executableFileName("rfbridge"); }
  bool listening() const { return listening_; }
  uint16_t port() const { return port_; }
  // Ends the bridge at once, as a crash would: the links of its clients drop.
  void kill() { child_.reset(); }

 private:
  uint16_t port_;
  std::unique_ptr<ChildProcess> child_;
  bool listening_ = false;
};

}  // namespace zav::test

// The bridge's command line.
#pragma once

#include <cstdint>
#include <string>

namespace zav::rfbridge {

constexpr uint16_t kDefaultPort = 54000;

struct BridgeOptions {
  uint16_t port = kDefaultPort;
  double idleExitSeconds = 0.0;  // 0: run until interrupted
  bool quiet = false;
  bool help = false;
};

// False with a one-line reason in error for anything it cannot use.
bool parseOptions(int argc, char** argv, BridgeOptions& options, std::string& error);
const char* helpText();

}  // namespace zav::rfbridge

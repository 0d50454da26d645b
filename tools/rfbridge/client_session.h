// One client of the bridge, served on its own thread: reads the device request, answers,
// then relays bytes unchanged both ways until either side closes.
#pragma once

#include <atomic>
#include <cstdint>

#include "bridge_log.h"
#include "device_registry.h"
#include "platform/socket.h"

namespace zav::rfbridge {

class ClientSession {
 public:
  ClientSession(platform::Socket client, uint64_t number, DeviceRegistry& devices, BridgeLog& log,
                const std::atomic<bool>& stopping);

  // Serves the client to the end; the device is free again when it returns.
  void run();

 private:
  bool readRequest(std::string& request, std::string& surplus);
  void answer(const char* word, uint8_t code);
  void relay(BridgeDevice& device, const std::string& surplus);

  platform::Socket client_;
  uint64_t number_;
  DeviceRegistry& devices_;
  BridgeLog& log_;
  const std::atomic<bool>& stopping_;
  uint64_t toDevice_ = 0;
  uint64_t toClient_ = 0;
};

}  // namespace zav::rfbridge

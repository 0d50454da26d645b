// The devices the bridge has opened, one object per device text for the bridge's whole
// life, so that a simulated device keeps its state (modes, names, sequence) from one client
// to the next as a real one does. A device serves one client at a time.
//
//     DeviceRegistry devices;
//     DeviceRegistry::Claim claim = devices.claim("sim:left");
//     if (claim.device) { ... claim.device->connection->read(...) ...; devices.release(*claim.device); }
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "bridge_protocol.h"
#include "transport/connection.h"

namespace zav::rfbridge {

struct BridgeDevice {
  std::unique_ptr<Connection> connection;
  bool simulated = false;
  bool busy = false;  // guarded by the registry's lock
};

class DeviceRegistry {
 public:
  struct Claim {
    BridgeDevice* device = nullptr;  // set when granted; borrowed until release
    Refusal reason = Refusal::unknownDevice;
  };

  // Reserves the device and opens its link. A device still held by a client that is just
  // leaving is waited for a moment, so that a client closing and reopening is not refused. "sim:left" and "sim:right": the halves of a
  // simulated 64-channel set; "sim:PATH.json": a simulated device from that configuration;
  // "sim:NAME": the built-in simulated device; anything else: a Bluetooth name or address.
  Claim claim(const std::string& text);
  // Closes the link and frees the device for the next client.
  void release(BridgeDevice& device);

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  std::map<std::string, std::unique_ptr<BridgeDevice>> devices_;
};

}  // namespace zav::rfbridge

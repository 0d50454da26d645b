// A wireless device, reached through the local Bluetooth bridge (TCP on the loopback
// address, port 54000) or directly over RFCOMM.
// Properties: "device" (name or address XX:XX:XX:XX:XX:XX, required), "single" (true:
// direct way), "path" (folder of the bridge executable), "bridgePort" (internal: the
// bridge's TCP port when it is not 54000, for test peers and tools).
#pragma once

#include <memory>

#include "transport/connection.h"

namespace zav {

class BluetoothClient;

class BluetoothConnection : public Connection {
 public:
  BluetoothConnection();
  ~BluetoothConnection() override;

 protected:
  std::string describe() const override;
  bool doKeepsDeviceClock() const override { return false; }
  bool doOpen() override;
  bool doClose() override;
  bool doSetTimeout(uint32_t milliseconds) override;
  uint32_t doGetTimeout() override;
  uint32_t doRead(uint8_t* buffer, uint32_t count) override;
  uint32_t doWrite(const uint8_t* buffer, uint32_t count) override;
  void applyProperties() override;

 private:
  std::unique_ptr<BluetoothClient> client_;
};

}  // namespace zav

// A device on a serial port (a USB virtual COM port).
// Properties: "path" (device file or COM name), else "port" (number, required then);
// "baudRate" (default 460800).
#pragma once

#include <memory>

#include "platform/serial_port.h"
#include "transport/connection.h"

namespace zav {

class UsbConnection : public Connection {
 public:
  static constexpr uint32_t kDefaultBaudRate = 460800;

  UsbConnection();
  ~UsbConnection() override;

 protected:
  std::string describe() const override;
  bool doKeepsDeviceClock() const override { return false; }
  bool doOpen() override;
  bool doClose() override;
  bool doSetTimeout(uint32_t milliseconds) override;
  uint32_t doGetTimeout() override;
  uint32_t doRead(uint8_t* buffer, uint32_t count) override;
  uint32_t doWrite(const uint8_t* buffer, uint32_t count) override;

 private:
  std::string devicePath() const;

  platform::SerialPort port_;
};

}  // namespace zav

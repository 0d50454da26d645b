// A simulated amplifier behind the Connection interface: it answers the device commands
// and, once started, produces paced data blocks in real time.
// Properties: "configuration" (JSON file describing the signals) or "preset" ("default":
// the built-in 32-channel amplifier; "left", "right": the halves of a 64-channel set).
// Without either the device reports no signals. "card" (a host folder standing in for the
// SD card) and "cardfilebytes" (where record files are split) override the configuration's.
#pragma once

#include <memory>

#include "transport/connection.h"

namespace zav {

class MockConnection : public Connection {
 public:
  MockConnection();
  ~MockConnection() override;

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
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

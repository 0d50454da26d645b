// A bidirectional byte stream to one device with a settable read time-out.
//
// The public operations keep the connected flag and normalise results; transports
// implement the do* operations and report raw counts or one of the three codes.
//
//     conn->open();
//     conn->setTimeout(2000);
//     int32_t n = conn->read(buffer, sizeof buffer);  // > 0 bytes, 0 time-out, -1 error
#pragma once

#include <cstdint>
#include <string>

#include "common/property_map.h"

namespace zav {

class Connection {
 public:
  static constexpr uint32_t kTimedOut = 0xFFFFFFFFu;
  static constexpr uint32_t kFailed = 0xFFFFFFFEu;
  static constexpr uint32_t kLinkLost = 0xFFFFFFFDu;

  Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool open();
  bool close();
  bool isConnected() const { return connected_; }
  // A positive count (possibly fewer than asked), 0 on time-out, -1 on error or when closed.
  int32_t read(uint8_t* buffer, uint32_t count);
  int32_t write(const uint8_t* buffer, uint32_t count);
  // Reads byte by byte up to the delimiter (not stored): the count stored, maximum when
  // full, 0 on time-out (the partial message is dropped), -1 on error.
  int32_t readUntil(uint8_t* buffer, uint32_t maximum, uint8_t delimiter);
  bool setTimeout(uint32_t milliseconds) { return doSetTimeout(milliseconds); }
  uint32_t timeout() { return doGetTimeout(); }
  std::string name() const { return describe(); }
  bool keepsDeviceClock() const { return doKeepsDeviceClock(); }
  void setProperties(const PropertyValues& properties);
  const PropertyValues& properties() const { return properties_; }

 protected:
  virtual std::string describe() const = 0;
  virtual bool doKeepsDeviceClock() const = 0;
  virtual bool doOpen() = 0;
  virtual bool doClose() = 0;
  virtual bool doSetTimeout(uint32_t milliseconds) = 0;
  virtual uint32_t doGetTimeout() = 0;
  virtual uint32_t doRead(uint8_t* buffer, uint32_t count) = 0;
  virtual uint32_t doWrite(const uint8_t* buffer, uint32_t count) = 0;
  virtual bool reservedCheck() { return true; }
  virtual void applyProperties() {}

 public:
  // Releases what the transport holds; owners destroy transports without closing them.
  virtual ~Connection();

 private:
  int32_t normalise(uint32_t raw);

  PropertyValues properties_;
  bool connected_ = false;
};

}  // namespace zav

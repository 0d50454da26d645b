// The interface through which a handle controls a device (or the two-device set).
// States: 0 disconnected, 1 connected and idle, 2 running; configuration changes are
// accepted only while connected and idle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav {

class Connection;

// One clock-synchronization exchange: host time before (t0) and after (t3), in
// microseconds, and the two device times (t1, t2).
struct SynchronizationSample {
  uint32_t t0 = 0;
  uint32_t t1 = 0;
  uint32_t t2 = 0;
  uint32_t t3 = 0;
};

enum class DriverState : uint32_t { disconnected = 0, connected = 1, running = 2 };

class BaseDriver {
 public:
  BaseDriver() = default;
  BaseDriver(const BaseDriver&) = delete;
  BaseDriver& operator=(const BaseDriver&) = delete;
  virtual ~BaseDriver() = default;

  virtual Connection* connection() const = 0;
  virtual std::string deviceName() const = 0;
  virtual const std::string& version() const = 0;
  virtual uint16_t frequency() const = 0;
  virtual const SignalList& signals() const = 0;
  // Throws std::out_of_range for an index beyond the list.
  virtual const SignalInfo& signal(uint32_t index) const = 0;
  virtual bool hasSdCardCapability() const = 0;
  virtual std::string folder() const = 0;
  virtual std::string file() const = 0;
  virtual std::string extra() const = 0;
  virtual bool isSdCardEnabled() const = 0;
  virtual bool setTimeout(uint32_t milliseconds) = 0;
  virtual uint32_t timeout() = 0;
  virtual bool refreshConfiguration() = 0;
  virtual bool setFrequency(uint16_t value) = 0;
  virtual bool setSignalMode(uint32_t index, uint8_t mode) = 0;
  virtual bool applyModes(const std::string& modes) = 0;
  virtual bool enableSdCard(bool on) = 0;
  virtual bool setFolder(const std::string& name) = 0;
  virtual bool setFile(const std::string& name) = 0;
  virtual bool setExtra(const std::string& text) = 0;
  virtual uint32_t valuesPerRead() const = 0;
  virtual bool readRaw(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) = 0;
  virtual bool read(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) = 0;
  virtual bool isConnected() const = 0;
  virtual bool isRunning() const = 0;
  virtual bool beginSynchronization() = 0;
  virtual SynchronizationSample synchronizationSample() = 0;
  virtual bool endSynchronization() = 0;
  virtual void connect() = 0;
  virtual void disconnect(bool clearIdentity) = 0;
  virtual bool start() = 0;
  virtual bool stop() = 0;
};

}  // namespace zav

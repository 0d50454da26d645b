// Two devices, a left and a right one of 32 EEG channels each, used as one 64-channel
// set: one merged signal list, one record per read, aligned on the marker code both
// devices receive on their digital input.
//
//     MultiDriver set;
//     set.configure("ZAV-E32-0012", "ZAV-E32-0013", "");
//     set.connect();                   // both devices at once
//     set.start();
//     set.read(record, sequence, battery, flags);   // flags 7 until the streams align
#pragma once

#include <memory>
#include <string>

#include "driver/base_driver.h"
#include "transport/connection.h"

namespace zav {

class MultiDriver : public BaseDriver {
 public:
  MultiDriver();
  ~MultiDriver() override;

  // One Bluetooth transport per side, "device" being the side's name and "path" the
  // bridge's folder when not empty. The extra properties reach both transports (a test
  // bridge's "bridgePort", for example).
  void configure(const std::string& left, const std::string& right, const std::string& path,
                 const PropertyValues& extra = {});
  // Uses two ready-made transports, owned from now on.
  void configure(std::unique_ptr<Connection> left, std::unique_ptr<Connection> right);

  Connection* connection() const override;
  std::string deviceName() const override;
  const std::string& version() const override;
  uint16_t frequency() const override;
  const SignalList& signals() const override;
  const SignalInfo& signal(uint32_t index) const override;
  bool hasSdCardCapability() const override;
  std::string folder() const override;
  std::string file() const override;
  std::string extra() const override;
  bool isSdCardEnabled() const override;
  bool setTimeout(uint32_t milliseconds) override;
  uint32_t timeout() override;
  bool refreshConfiguration() override;
  bool setFrequency(uint16_t value) override;
  bool setSignalMode(uint32_t index, uint8_t mode) override;
  bool applyModes(const std::string& modes) override;
  bool enableSdCard(bool on) override;
  bool setFolder(const std::string& name) override;
  bool setFile(const std::string& name) override;
  bool setExtra(const std::string& text) override;
  uint32_t valuesPerRead() const override;
  bool readRaw(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) override;
  bool read(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) override;
  bool isConnected() const override;
  bool isRunning() const override;
  bool beginSynchronization() override;
  SynchronizationSample synchronizationSample() override;
  bool endSynchronization() override;
  void connect() override;
  void disconnect(bool clearIdentity) override;
  bool start() override;
  bool stop() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

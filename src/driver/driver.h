// One physical device over one transport (not owned): connect, read the configuration,
// change it, stream and read decoded blocks.
#pragma once

#include <memory>

#include "driver/base_driver.h"

namespace zav {

class Driver : public BaseDriver {
 public:
  explicit Driver(Connection* connection);
  ~Driver() override;

  // Uses another transport (disconnecting first when connected).
  void setConnection(Connection* connection);
  DriverState state() const;

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

// The objects behind the C handles: a device handle owns its transport, its driver, the
// host's signal handles, the buffer of decoded values and the impedance estimator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/live_recorder.h"
#include "api/make_device.h"
#include "driver/base_driver.h"
#include "signal/impedance_estimator.h"

namespace zav::detail {

// One host signal: the driver's own index of it (which counts the "uSD" entry too).
struct SignalHandle {
  BaseDriver* driver = nullptr;
  uint32_t index = 0;

  // The signal's description, or null when the driver's list no longer holds the index.
  const SignalInfo* info() const;
};

class DriverConnection {
 public:
  // Owns the device that makeDevice made and wires the host's side to it.
  DriverConnection(Device device, uint32_t sensor);
  virtual ~DriverConnection();
  DriverConnection(const DriverConnection&) = delete;
  DriverConnection& operator=(const DriverConnection&) = delete;

  // Feeds the EEG values of the last read to the estimator.
  virtual void updateImpedance();
  // Finds the first enabled EEG signal and configures the estimator for it.
  virtual void prepareImpedance();

  void connect();
  bool start();
  bool stop();
  void reconnect();
  // The flags a two-device set gives its records until the devices are aligned; no device
  // reports this code of its own.
  static constexpr uint16_t kUnalignedFlags = 7;

  // The decoded values of one block, or null.
  const double* read(uint16_t& sequence, uint16_t& battery, uint16_t& flags);
  // How many values the last successful read returned.
  std::size_t lastReadSize() const { return data_.size(); }
  int readDataSize() const;
  int eegImpedance(uint16_t channel) const;
  SignalHandle* signal(uint16_t index) const;
  uint16_t signalCount() const;
  bool synchronize(uint32_t& roundTrip, int32_t& offset);
  // Writes every block read from now on to the file at path (connected only; one
  // recording at a time); false with reason when it cannot start.
  bool startRecording(const std::string& path, std::string& reason);
  // Ends the recording: true when one was started and every block read since was written
  // to a complete file. stop(), a lost link and destruction end it too, complete.
  bool stopRecording(std::string& reason);

  BaseDriver& driver() const { return *driver_; }

 private:
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<BaseDriver> driver_;
  std::vector<std::unique_ptr<SignalHandle>> signals_;
  std::vector<double> data_;
  bool eegPresent_ = false;
  uint32_t sensor_ = 0;
  uint64_t eegOffset_ = 0;
  uint64_t eegValues_ = 0;
  std::unique_ptr<ImpedanceEstimator> impedance_;
  std::unique_ptr<LiveRecorder> recorder_;
};

// Copies text into a host buffer of size bytes, truncated to size - 1 characters and
// NUL-terminated; size 0 writes nothing. Returns buffer.
char* copyToHostBuffer(const std::string& text, char* buffer, uint32_t size);

}  // namespace zav::detail

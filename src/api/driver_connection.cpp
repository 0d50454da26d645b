#include "api/driver_connection.h"

#include <algorithm>
#include <cstring>

#include "driver/clock_offset.h"
#include "driver/identity.h"
#include "signal/block_layout.h"

namespace zav::detail {

const SignalInfo* SignalHandle::info() const {
  if (driver == nullptr || index >= driver->signals().size()) return nullptr;
  return &driver->signals()[index];
}

DriverConnection::DriverConnection(Device device, uint32_t sensor)
    : connection_(std::move(device.connection)), driver_(std::move(device.driver)), sensor_(sensor) {}

DriverConnection::~DriverConnection() {
  recorder_.reset();  // completes the file before anything it records from goes
  // Reverse order of creation; the transport outlives the driver that uses it.
  impedance_.reset();
  data_.clear();
  signals_.clear();
  driver_.reset();
  connection_.reset();
}

void DriverConnection::updateImpedance() {
  if (!eegPresent_ || !impedance_) return;
  // The layout can only change through a mode change, which needs a new start; still,
  // never hand the estimator values the last read did not produce.
  if (eegOffset_ + eegValues_ > data_.size()) return;
  impedance_->process(data_.data() + eegOffset_, true);
}

void DriverConnection::prepareImpedance() {
  eegPresent_ = false;
  eegOffset_ = 0;
  eegValues_ = 0;
  if (!impedance_) return;
  const BlockLayout layout(driver_->signals());
  const BlockSlot* eeg = layout.find("EEG");
  if (eeg == nullptr) return;
  eegPresent_ = true;
  eegOffset_ = eeg->valueOffset;
  eegValues_ = eeg->values();
  const uint64_t blockSize = eeg->decoder->blockSize();
  impedance_->configure(eeg->decoder->channels(), blockSize, blockSize * driver_->frequency(), sensor_);
}

void DriverConnection::connect() {
  driver_->connect();
  if (!driver_->isConnected()) return;
  if (signals_.empty()) {
    const SignalList& list = driver_->signals();
    for (uint32_t i = 0; i < list.size(); ++i) {
      if (isSdCard(list[i])) continue;
      signals_.push_back(std::make_unique<SignalHandle>(SignalHandle{driver_.get(), i}));
    }
  }
  if (!impedance_) {
    impedance_ = std::make_unique<ImpedanceEstimator>(kImpedanceWindowSeconds, kImpedanceUpdateSeconds);
  }
}

bool DriverConnection::start() {
  prepareImpedance();
  return driver_->start();
}

bool DriverConnection::stop() {
  if (recorder_) recorder_->stop();
  if (!driver_->stop()) return false;
  driver_->refreshConfiguration();
  return true;
}

void DriverConnection::reconnect() {
  driver_->disconnect(false);
  driver_->connect();
}

const double* DriverConnection::read(uint16_t& sequence, uint16_t& battery, uint16_t& flags) {
  if (!driver_->read(data_, sequence, battery, flags)) {
    if (recorder_ && !driver_->isConnected()) recorder_->end("the link was lost");
    return nullptr;
  }
  // The set's records before its two streams align hold no samples, only NaN: grading
  // them would fill the contact window with nothing and hold the first grades back.
  if (flags != kUnalignedFlags) updateImpedance();
  if (recorder_ && recorder_->running()) {
    if (recorder_->fits(driver_->signals())) {
      recorder_->add(data_, sequence, flags);
    } else {
      recorder_->end("the signals changed");
    }
  }
  // A block with no enabled signal has no values; the host still gets a valid address.
  if (data_.empty()) data_.reserve(1);
  return data_.data();
}

int DriverConnection::readDataSize() const {
  // Counts exactly the values a read returns (signals switched on, mode 1 or more).
  return static_cast<int>(std::min<uint64_t>(BlockLayout(driver_->signals()).valueCount(), 0x7FFFFFFF));
}

int DriverConnection::eegImpedance(uint16_t channel) const {
  if (!eegPresent_ || !impedance_) return kImpedanceUnknown;
  return impedance_->status(channel);
}

SignalHandle* DriverConnection::signal(uint16_t index) const {
  return index < signals_.size() ? signals_[index].get() : nullptr;
}

uint16_t DriverConnection::signalCount() const {
  return static_cast<uint16_t>(std::min<std::size_t>(signals_.size(), 0xFFFF));
}

bool DriverConnection::synchronize(uint32_t& roundTrip, int32_t& offset) {
  uint16_t major = 0;
  uint16_t minor = 0;
  parseVersion(driver_->version(), VersionPart::firmware, major, minor);
  if (major < 1) return false;
  if (!driver_->beginSynchronization()) return false;
  const ClockOffset estimate = estimateClockOffset([this] { return driver_->synchronizationSample(); });
  driver_->endSynchronization();
  offset = estimate.offset;
  roundTrip = estimate.roundTrip;
  return estimate.converged;
}

bool DriverConnection::startRecording(const std::string& path, std::string& reason) {
  if (recorder_ && recorder_->running()) {
    reason = "a recording is already running";
    return false;
  }
  if (!driver_->isConnected()) {
    reason = "not connected: the signals to record are not known yet";
    return false;
  }
  recorder_ = LiveRecorder::start(path, driver_->signals(), driver_->frequency(), reason);
  return recorder_ != nullptr;
}

bool DriverConnection::stopRecording(std::string& reason) {
  if (!recorder_) {
    reason = "no recording was started";
    return false;
  }
  const bool whole = recorder_->stop();
  reason = recorder_->error();
  recorder_.reset();
  return whole;
}

char* copyToHostBuffer(const std::string& text, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return buffer;
}

}  // namespace zav::detail

#include "api/driver_connection.h"

#include <algorithm>
#include <cstring>

#include "api/connection_factory.h"
#include "driver/driver.h"
#include "driver/identity.h"

namespace zav::detail {

namespace {

constexpr uint64_t kImpedanceWindowSeconds = 10;
constexpr uint64_t kImpedanceUpdateSeconds = 2;
constexpr int kSynchronizationAttempts = 300;
constexpr uint32_t kSynchronizationMinimumSamples = 100;
constexpr int64_t kSynchronizationTolerance = 1000;

}  // namespace

const SignalInfo* SignalHandle::info() const {
  if (driver == nullptr || index >= driver->signals().size()) return nullptr;
  return &driver->signals()[index];
}

DriverConnection::DriverConnection(const std::string& kind, const PropertyMap& properties, uint32_t sensor)
    : sensor_(sensor) {
  if (kind == kEeg64Kind) {
    // The two-device set is not part of this build: the handle exists but never connects.
    driver_ = std::make_unique<Driver>(nullptr);
    return;
  }
  connection_ = createConnection(kind, properties);
  driver_ = std::make_unique<Driver>(connection_.get());
}

DriverConnection::DriverConnection(std::unique_ptr<Connection> connection, uint32_t sensor)
    : connection_(std::move(connection)), driver_(std::make_unique<Driver>(connection_.get())), sensor_(sensor) {}

DriverConnection::~DriverConnection() {
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
  for (const SignalInfo& info : driver_->signals()) {
    if (info.mode <= 0) continue;
    if (info.type == "EEG") {
      eegPresent_ = true;
      eegValues_ = static_cast<uint64_t>(valuesPerBlock(info));
      const uint64_t blockSize = info.blockSize > 0 ? static_cast<uint64_t>(info.blockSize) : 0;
      const uint64_t channels = info.channels > 0 ? static_cast<uint64_t>(info.channels) : 0;
      impedance_->configure(channels, blockSize, blockSize * driver_->frequency(), driver_->version(), sensor_);
      return;
    }
    eegOffset_ += static_cast<uint64_t>(valuesPerBlock(info));
  }
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
  if (!driver_->stop()) return false;
  driver_->refreshConfiguration();
  return true;
}

void DriverConnection::reconnect() {
  driver_->disconnect(false);
  driver_->connect();
}

const double* DriverConnection::read(uint16_t& sequence, uint16_t& battery, uint16_t& flags) {
  if (!driver_->read(data_, sequence, battery, flags)) return nullptr;
  updateImpedance();
  // A block with no enabled signal has no values; the host still gets a valid address.
  if (data_.empty()) data_.reserve(1);
  return data_.data();
}

int DriverConnection::readDataSize() const {
  // Counts exactly the values a read returns (signals switched on, mode 1 or more).
  int64_t total = 0;
  for (const auto& handle : signals_) {
    if (const SignalInfo* info = handle->info()) total += valuesPerBlock(*info);
  }
  return static_cast<int>(std::min<int64_t>(total, 0x7FFFFFFF));
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

  // Bounds and sums in 64 bits: the 32-bit differences of device and host clocks cannot
  // overflow them, and the stored results fit 32 bits.
  uint64_t roundTripSum = 0;
  uint32_t kept = 0;
  int64_t lower = INT32_MIN;
  int64_t upper = INT32_MAX;
  int64_t estimate = 0;
  int64_t previous = 0;
  bool converged = false;
  for (int attempt = 0; attempt < kSynchronizationAttempts && !converged; ++attempt) {
    const SynchronizationSample s = driver_->synchronizationSample();
    if (!(s.t0 < s.t3 && s.t1 < s.t2)) continue;
    ++kept;
    lower = std::max<int64_t>(lower, static_cast<int32_t>(s.t2 - s.t3));
    upper = std::min<int64_t>(upper, static_cast<int32_t>(s.t1 - s.t0));
    roundTripSum += s.t3 - s.t0;
    estimate = (lower + upper) / 2;
    if (kept > kSynchronizationMinimumSamples &&
        (estimate - previous < kSynchronizationTolerance && previous - estimate < kSynchronizationTolerance)) {
      converged = true;
      break;
    }
    previous = estimate;
  }
  driver_->endSynchronization();
  offset = kept > 0 ? static_cast<int32_t>(std::clamp<int64_t>(estimate, INT32_MIN, INT32_MAX)) : 0;
  roundTrip = kept > 0 ? static_cast<uint32_t>(roundTripSum / kept) : 0;
  return converged;
}

char* copyToHostBuffer(const std::string& text, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return buffer;
}

}  // namespace zav::detail

#include "driver/driver.h"

#include <stdexcept>

#include "driver/battery_estimator.h"
#include "driver/block_reader.h"
#include "driver/commands.h"
#include "driver/sd_card_names.h"
#include "platform/clock.h"
#include "transport/connection.h"

namespace zav {

namespace {

constexpr uint32_t kWorkingTimeout = 2000;
constexpr uint16_t kFallbackFrequency = 32;
const char* const kUnavailable = "Unavailable";

uint32_t hostMicroseconds() {
  return static_cast<uint32_t>(static_cast<uint64_t>(platform::systemTime100ns() / 10) & 0xFFFFFFFFu);
}

}  // namespace

struct Driver::Impl {
  explicit Impl(Connection* c) : connection(c), reader(c) {}

  Connection* connection;
  DriverState state = DriverState::disconnected;
  std::string version;
  uint16_t frequency = 0;
  SignalList signals;
  std::string folder;
  std::string file;
  std::string extra;
  std::unique_ptr<BatteryEstimator> battery;
  BlockReader reader;

  bool idle() const { return state == DriverState::connected; }

  bool refreshConfiguration() {
    if (!commands::getVersion(connection, version)) return false;
    if (!commands::getFrequency(connection, frequency)) return false;
    SignalList list;
    if (!commands::getSignals(connection, list)) return false;
    replaceSignals(std::move(list));
    if (sdCardIndex() < signals.size()) {
      if (!commands::getFolder(connection, folder)) return false;
      if (!commands::getFile(connection, file)) return false;
    }
    return true;
  }

  // The reader always frames and decodes blocks of the list the driver reports, so that a
  // read holds exactly the values the host is told to expect (a list re-read after a stop
  // may differ from the one streaming started with). A block of another layout is then
  // framed at the new length, so its checksum fails and it is skipped.
  void replaceSignals(SignalList list) {
    signals = std::move(list);
    reader.configure(signals);
  }

  std::size_t sdCardIndex() const {
    for (std::size_t i = 0; i < signals.size(); ++i) {
      if (isSdCard(signals[i])) return i;
    }
    return signals.size();
  }

  void firstConnection() {
    if (commands::stopStreaming(connection) && reader.drainInput()) state = DriverState::connected;
    if (refreshConfiguration() && state == DriverState::connected) return;
    // A device that could not be stopped or described is not connected: release the
    // transport rather than leave it open under a disconnected driver.
    connection->close();
    state = DriverState::disconnected;
  }

  void reconnection() {
    // The device streams blocks of the known list, whoever started it.
    const bool streaming = reader.detectStreaming(frequency != 0 ? frequency : kFallbackFrequency);
    if (!connection->isConnected()) return;
    if (streaming) {
      state = DriverState::running;
      return;
    }
    state = DriverState::connected;
    if (!commands::setModes(connection, modeString(signals)) || !commands::setFile(connection, file) ||
        !commands::setFolder(connection, folder)) {
      // The device did not take its settings back: it is not in the state the host knows.
      connection->close();
      state = DriverState::disconnected;
    }
  }

  bool applyModes(const std::string& modes) {
    if (!idle() || modes.size() != signals.size()) return false;
    const std::string previous = modeString(signals);
    for (std::size_t i = 0; i < modes.size(); ++i) {
      if (modes[i] != previous[i] && !fitsSignalRecord(modes[i])) return false;
    }
    if (!commands::setModes(connection, modes)) return false;
    if (confirmModes(modes)) return true;
    // The device took "cc" and may have stored modes it then did not report (a signal
    // switched off): it gets the modes the driver keeps.
    commands::setModes(connection, previous);
    return false;
  }

  // The device's signal record carries a mode in two characters: -9 to 99.
  static bool fitsSignalRecord(char mode) {
    const auto value = static_cast<int8_t>(static_cast<uint8_t>(mode));
    return value >= -9 && value <= 99;
  }

  // Reads the list back; it replaces the known one when it has exactly the asked modes
  // and unchanged shapes.
  bool confirmModes(const std::string& modes) {
    SignalList reported;
    if (!commands::getSignals(connection, reported)) return false;
    if (reported.size() != signals.size() || modeString(reported) != modes) return false;
    for (std::size_t i = 0; i < reported.size(); ++i) {
      if (!sameShape(reported[i], signals[i])) return false;
    }
    replaceSignals(std::move(reported));
    return true;
  }

  // Sends a name with "c?", reads it back with "g?" and keeps it when the device reports
  // exactly what was sent.
  template <typename Set, typename Get>
  bool setName(const std::string& name, Set set, Get get, std::string& stored) {
    if (!idle()) return false;
    if (!set(connection, name)) return false;
    std::string reported;
    if (!get(connection, reported) || reported != name) return false;
    stored = reported;
    return true;
  }

  bool readBlock(std::vector<double>& data, uint16_t& sequence, uint16_t& rawBattery, uint16_t& flags) {
    if (connection == nullptr) return false;
    if (reader.readAndDecode(data, sequence, rawBattery, flags)) return true;
    if (!connection->isConnected()) {
      state = DriverState::disconnected;
      connection->close();
    }
    return false;
  }
};

Driver::Driver(Connection* connection) : impl_(std::make_unique<Impl>(connection)) {}

Driver::~Driver() = default;

void Driver::setConnection(Connection* connection) {
  if (impl_->state != DriverState::disconnected) disconnect(true);
  impl_->connection = connection;
  impl_->reader.setConnection(connection);
}

DriverState Driver::state() const { return impl_->state; }

Connection* Driver::connection() const { return impl_->connection; }

std::string Driver::deviceName() const {
  if (impl_->state == DriverState::disconnected || impl_->connection == nullptr) return kUnavailable;
  return impl_->connection->name();
}

const std::string& Driver::version() const { return impl_->version; }

uint16_t Driver::frequency() const { return impl_->frequency; }

const SignalList& Driver::signals() const { return impl_->signals; }

const SignalInfo& Driver::signal(uint32_t index) const {
  if (index >= impl_->signals.size()) throw std::out_of_range("signal index out of range");
  return impl_->signals[index];
}

bool Driver::hasSdCardCapability() const { return impl_->sdCardIndex() < impl_->signals.size(); }

std::string Driver::folder() const { return impl_->folder; }

std::string Driver::file() const { return impl_->file; }

std::string Driver::extra() const { return impl_->extra; }

bool Driver::isSdCardEnabled() const {
  const std::size_t index = impl_->sdCardIndex();
  return index < impl_->signals.size() && impl_->signals[index].mode == 1;
}

bool Driver::setTimeout(uint32_t milliseconds) {
  return impl_->connection != nullptr && impl_->connection->setTimeout(milliseconds);
}

uint32_t Driver::timeout() { return impl_->connection != nullptr ? impl_->connection->timeout() : 0; }

bool Driver::refreshConfiguration() { return impl_->connection != nullptr && impl_->refreshConfiguration(); }

bool Driver::setFrequency(uint16_t value) {
  if (!impl_->idle()) return false;
  if (!commands::setFrequency(impl_->connection, value)) return false;
  uint16_t reported = 0;
  bool parsed = false;
  if (!commands::getFrequency(impl_->connection, reported, &parsed) || !parsed || reported != value) {
    return false;
  }
  impl_->frequency = reported;
  return true;
}

bool Driver::setSignalMode(uint32_t index, uint8_t mode) {
  std::string modes = modeString(impl_->signals);
  if (index >= modes.size()) return false;
  modes[index] = static_cast<char>(mode);
  return impl_->applyModes(modes);
}

bool Driver::applyModes(const std::string& modes) { return impl_->applyModes(modes); }

bool Driver::enableSdCard(bool on) {
  const std::size_t index = impl_->sdCardIndex();
  if (index >= impl_->signals.size()) return false;
  std::string modes = modeString(impl_->signals);
  modes[index] = static_cast<char>(on ? 1 : 0);
  return impl_->applyModes(modes);
}

bool Driver::setFolder(const std::string& name) {
  return impl_->setName(normaliseSdFolder(name), commands::setFolder, commands::getFolder, impl_->folder);
}

bool Driver::setFile(const std::string& name) {
  return impl_->setName(name, commands::setFile, commands::getFile, impl_->file);
}

bool Driver::setExtra(const std::string& text) {
  return impl_->setName(text, commands::setExtra, commands::getExtra, impl_->extra);
}

uint32_t Driver::valuesPerRead() const { return impl_->reader.valuesPerRead(); }

bool Driver::readRaw(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) {
  return impl_->readBlock(data, sequence, battery, flags);
}

bool Driver::read(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) {
  uint16_t raw = 0;
  if (!impl_->readBlock(data, sequence, raw, flags)) return false;
  if (impl_->battery) {
    impl_->battery->feed(raw);
    battery = impl_->battery->level();
  } else {
    // A device found streaming at reconnection runs without a start: no level yet.
    battery = BatteryEstimator::kUnknown;
  }
  return true;
}

bool Driver::isConnected() const { return impl_->state != DriverState::disconnected; }

bool Driver::isRunning() const { return impl_->state == DriverState::running; }

bool Driver::beginSynchronization() { return commands::enterClockMode(impl_->connection); }

SynchronizationSample Driver::synchronizationSample() {
  SynchronizationSample sample;
  sample.t0 = hostMicroseconds();
  if (!commands::clockSample(impl_->connection, sample.t1, sample.t2)) {
    sample.t1 = 1;  // a pair the caller's validity test rejects
    sample.t2 = 0;
  }
  sample.t3 = hostMicroseconds();
  return sample;
}

bool Driver::endSynchronization() { return commands::endClockMode(impl_->connection); }

void Driver::connect() {
  Impl& d = *impl_;
  if (d.state != DriverState::disconnected || d.connection == nullptr) return;
  if (!d.connection->open()) return;
  if (!d.connection->setTimeout(kWorkingTimeout)) {
    d.connection->close();
    return;
  }
  if (d.signals.empty()) {
    d.firstConnection();
  } else {
    d.reconnection();
  }
}

void Driver::disconnect(bool clearIdentity) {
  Impl& d = *impl_;
  d.state = DriverState::disconnected;
  if (d.connection != nullptr) d.connection->close();
  if (clearIdentity) {
    d.version = kUnavailable;
    d.frequency = 0;
    d.replaceSignals({});
    d.folder = kUnavailable;
    d.file = kUnavailable;
  }
}

bool Driver::start() {
  Impl& d = *impl_;
  if (d.connection == nullptr) return false;
  d.battery = std::make_unique<BatteryEstimator>(d.frequency, batteryScale(d.version));
  if (d.state == DriverState::connected) {
    d.reader.configure(d.signals);
    if (!d.connection->keepsDeviceClock()) {
      commands::setClock(d.connection, platform::localCalendarTime(platform::systemTime100ns()));
    }
    if (commands::startStreaming(d.connection)) d.state = DriverState::running;
  }
  return d.state == DriverState::running;
}

bool Driver::stop() {
  Impl& d = *impl_;
  if (d.state != DriverState::running) return d.state == DriverState::connected;
  if (commands::stopStreaming(d.connection) && d.reader.drainInput()) d.state = DriverState::connected;
  return d.state == DriverState::connected;
}

}  // namespace zav

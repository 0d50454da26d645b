#include "multi/multi_driver.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <exception>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "common/diagnostics.h"
#include "driver/driver.h"
#include "multi/alignment.h"
#include "multi/side_buffer.h"
#include "transport/bluetooth_connection.h"

namespace zav {

namespace {

constexpr uint32_t kWorkingTimeout = 2000;
constexpr std::size_t kMergedCount = 6;
// A merged signal that a device does not feed.
constexpr uint32_t kUnmapped = 100;
// Each device's digital input, which carries the marker code: always on, never merged.
constexpr uint32_t kDigitalInputIndex = 4;
// zav_driver_flags_eeg64_not_synchronized
constexpr uint16_t kNotSynchronized = 7;
// Device names share a prefix; the set's name keeps what follows it.
constexpr std::size_t kNamePrefixLength = 8;
const char* const kNoConnection = "null";

using IndexMap = std::array<uint32_t, kMergedCount>;
constexpr IndexMap kLeftMap = {0, 1, 2, kUnmapped, 3, 5};
constexpr IndexMap kRightMap = {0, 1, kUnmapped, 2, 3, 5};

SignalList mergedList() {
  return {SignalInfo("EEG", 64, 3, 8, 0),  SignalInfo("ExG_B", 4, 3, 8, 0),
          SignalInfo("IMU_B", 9, 2, 1, 0), SignalInfo("IMU_B", 9, 2, 1, 0),
          SignalInfo("FOT", 2, 3, 8, 0),   SignalInfo(kSdCardType, 0, 0, 0, 0)};
}

const char* okOrNope(bool ok) {
  return ok ? "OK" : "NOPE";
}
const char* yesOrNope(bool yes) {
  return yes ? "YES" : "NOPE";
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Splits a file name at its last "." into stem and extension (with its ".").
std::pair<std::string, std::string> splitExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {name, std::string()};
  return {name.substr(0, dot), name.substr(dot)};
}

// Runs both jobs at once, the left one on a thread of its own, and waits for both. A job's
// exception is raised again here, after both have finished.
template <typename LeftJob, typename RightJob>
void concurrently(LeftJob leftJob, RightJob rightJob) {
  std::exception_ptr leftFailure;
  std::exception_ptr rightFailure;
  auto guardedLeft = [&] {
    try {
      leftJob();
    } catch (...) {
      leftFailure = std::current_exception();
    }
  };
  std::thread leftThread;
  try {
    leftThread = std::thread(guardedLeft);
  } catch (const std::system_error&) {
    guardedLeft();  // no thread to be had: one after the other still does the work
  }
  try {
    rightJob();
  } catch (...) {
    rightFailure = std::current_exception();
  }
  if (leftThread.joinable()) leftThread.join();
  if (leftFailure) std::rethrow_exception(leftFailure);
  if (rightFailure) std::rethrow_exception(rightFailure);
}

struct DeviceSide {
  explicit DeviceSide(const IndexMap& map) : indexMap(map) {}

  // Declared first so that it outlives the driver that borrows it.
  std::unique_ptr<Connection> connection;
  Driver driver{nullptr};
  IndexMap indexMap;
  SideBuffer buffer;
  uint16_t sequence = 0;
  uint16_t battery = 0;
  uint16_t flags = 0;
  std::vector<double> values;

  // The device signal that feeds merged signal index, or null.
  const SignalInfo* mapped(std::size_t index) const {
    if (index >= indexMap.size() || indexMap[index] >= driver.signals().size()) return nullptr;
    return &driver.signals()[indexMap[index]];
  }

  // A merged index this side does not know fails; one it does not feed succeeds untouched.
  bool setMode(std::size_t index, uint8_t mode) {
    if (index >= indexMap.size()) return false;
    if (indexMap[index] >= driver.signals().size()) return true;
    return driver.setSignalMode(indexMap[index], mode);
  }

  // This device's mode string for a merged one: its unmerged signals stay on.
  std::string modesFor(const std::string& merged) const {
    std::string modes(driver.signals().size(), static_cast<char>(1));
    for (std::size_t i = 0; i < merged.size() && i < indexMap.size(); ++i) {
      if (indexMap[i] < modes.size()) modes[indexMap[i]] = merged[i];
    }
    return modes;
  }

  std::string nameTail() const {
    const std::string description = connection ? connection->name() : kNoConnection;
    return description.size() > kNamePrefixLength ? description.substr(kNamePrefixLength) : std::string();
  }

  void install(std::unique_ptr<Connection> replacement) {
    // The driver lets go of the old transport (closing it if connected) before it is destroyed.
    std::unique_ptr<Connection> previous = std::move(connection);
    connection = std::move(replacement);
    if (connection) connection->setTimeout(kWorkingTimeout);
    driver.setConnection(connection.get());
  }
};

}  // namespace

struct MultiDriver::Impl {
  DeviceSide left{kLeftMap};
  DeviceSide right{kRightMap};
  SignalList signals = mergedList();
  bool synchronized = false;
  uint8_t lastCode = 0;

  void reconcileModes() {
    for (std::size_t i = 0; i < signals.size(); ++i) {
      const SignalInfo* l = left.mapped(i);
      const SignalInfo* r = right.mapped(i);
      if (l != nullptr && r != nullptr) {
        const int32_t leftMode = l->mode;
        const int32_t rightMode = r->mode;
        if (leftMode == rightMode) {
          signals[i].mode = leftMode;
          continue;
        }
        const int32_t mode = std::max(leftMode, rightMode);
        DeviceSide& behind = leftMode < rightMode ? left : right;
        if (behind.setMode(i, static_cast<uint8_t>(mode))) {
          signals[i].mode = mode;
        } else {
          if (left.setMode(i, 0)) right.setMode(i, 0);
          signals[i].mode = 0;
        }
      } else if (l != nullptr) {
        signals[i].mode = l->mode;
      } else if (r != nullptr) {
        signals[i].mode = r->mode;
      }
    }
  }

  void readSide(DeviceSide& side, bool raw) {
    const SignalList& list = side.driver.signals();
    if (synchronized && side.buffer.isReady(list)) return;
    side.values.resize(side.driver.valuesPerRead());
    const bool read = raw ? side.driver.readRaw(side.values, side.sequence, side.battery, side.flags)
                          : side.driver.read(side.values, side.sequence, side.battery, side.flags);
    if (read) side.buffer.push(side.values, list, side.sequence);
  }

  bool read(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags, bool raw) {
    limitBuffers(left.buffer, right.buffer);
    readSide(left, raw);
    readSide(right, raw);
    if (!left.driver.isConnected()) {
      right.driver.disconnect(false);
      if (raw) diag::line("left disconnected");
      return false;
    }
    if (!right.driver.isConnected()) {
      left.driver.disconnect(false);
      if (raw) diag::line("right disconnected");
      return false;
    }

    synchronizationStep(left.buffer, right.buffer, synchronized, lastCode);
    if (!left.buffer.isReady(left.driver.signals()) || !right.buffer.isReady(right.driver.signals())) {
      return false;
    }
    battery = static_cast<uint16_t>(
        std::min(static_cast<int16_t>(left.battery), static_cast<int16_t>(right.battery)));
    flags = synchronized ? std::max(left.flags, right.flags) : kNotSynchronized;
    sequence = left.buffer.currentSequence();
    data.assign(valuesPerBlock(signals), std::numeric_limits<double>::quiet_NaN());
    if (!synchronized) return true;

    merge(left.buffer, right.buffer, signals, data);
    if (std::any_of(data.begin(), data.end(), [](double value) { return std::isnan(value); })) {
      flags = kNotSynchronized;
      return false;
    }
    return true;
  }
};

MultiDriver::MultiDriver() : impl_(std::make_unique<Impl>()) {}

MultiDriver::~MultiDriver() = default;

void MultiDriver::configure(const std::string& left, const std::string& right, const std::string& path,
                            const PropertyValues& extra) {
  const auto makeTransport = [&](const std::string& device) {
    PropertyValues properties;
    for (const auto& [key, value] : extra) properties[lowerCase(key)] = value;
    properties["device"] = device;
    if (!path.empty()) properties["path"] = path;
    auto transport = std::make_unique<BluetoothConnection>();
    transport->setProperties(properties);
    return transport;
  };
  impl_->left.install(makeTransport(left));
  impl_->right.install(makeTransport(right));
}

void MultiDriver::configure(std::unique_ptr<Connection> left, std::unique_ptr<Connection> right) {
  impl_->left.install(std::move(left));
  impl_->right.install(std::move(right));
}

Connection* MultiDriver::connection() const {
  return impl_->left.driver.connection();
}

std::string MultiDriver::deviceName() const {
  return "ZAV-E64-(" + impl_->left.nameTail() + "," + impl_->right.nameTail() + ")";
}

const std::string& MultiDriver::version() const {
  return impl_->left.driver.version();
}

uint16_t MultiDriver::frequency() const {
  return impl_->left.driver.frequency();
}

const SignalList& MultiDriver::signals() const {
  return impl_->signals;
}

const SignalInfo& MultiDriver::signal(uint32_t index) const {
  if (index >= impl_->signals.size()) throw std::out_of_range("signal index out of range");
  return impl_->signals[index];
}

bool MultiDriver::hasSdCardCapability() const {
  return true;
}

std::string MultiDriver::folder() const {
  return impl_->left.driver.folder();
}

std::string MultiDriver::file() const {
  auto [stem, extension] = splitExtension(impl_->left.driver.file());
  if (!stem.empty()) stem.pop_back();  // the side letter
  return stem + extension;
}

std::string MultiDriver::extra() const {
  return std::string();
}

bool MultiDriver::isSdCardEnabled() const {
  return impl_->signals.back().mode != 0;
}

bool MultiDriver::setTimeout(uint32_t milliseconds) {
  impl_->left.driver.setTimeout(milliseconds);
  return impl_->right.driver.setTimeout(milliseconds);
}

uint32_t MultiDriver::timeout() {
  return impl_->left.driver.timeout();
}

bool MultiDriver::refreshConfiguration() {
  const bool left = impl_->left.driver.refreshConfiguration();
  const bool right = impl_->right.driver.refreshConfiguration();
  impl_->reconcileModes();
  return left && right;
}

bool MultiDriver::setFrequency(uint16_t value) {
  return impl_->left.driver.setFrequency(value) && impl_->right.driver.setFrequency(value);
}

bool MultiDriver::setSignalMode(uint32_t index, uint8_t mode) {
  // A side without its device knows no signals and would take any mode without a word.
  if (!isConnected()) return false;
  // The right device is left alone when the left one refuses, so the two stay alike.
  if (!impl_->left.setMode(index, mode) || !impl_->right.setMode(index, mode)) return false;
  impl_->signals.at(index).mode = mode;
  return true;
}

bool MultiDriver::applyModes(const std::string& modes) {
  // One byte per merged signal: any other length cannot be mapped onto the list.
  if (modes.size() != impl_->signals.size()) return false;
  if (!impl_->left.driver.applyModes(impl_->left.modesFor(modes))) return false;
  if (!impl_->right.driver.applyModes(impl_->right.modesFor(modes))) return false;
  for (std::size_t i = 0; i < modes.size(); ++i) impl_->signals[i].mode = static_cast<int8_t>(modes[i]);
  return true;
}

bool MultiDriver::enableSdCard(bool on) {
  const bool left = impl_->left.driver.enableSdCard(on);
  const bool right = impl_->right.driver.enableSdCard(on);
  if (!left || !right) return false;
  impl_->signals.back().mode = on ? 1 : 0;
  return true;
}

bool MultiDriver::setFolder(const std::string& name) {
  const bool left = impl_->left.driver.setFolder(name);
  const bool right = impl_->right.driver.setFolder(name);
  return left && right;
}

bool MultiDriver::setFile(const std::string& name) {
  const auto [stem, extension] = splitExtension(name);
  return impl_->left.driver.setFile(stem + "l" + extension) &&
         impl_->right.driver.setFile(stem + "r" + extension);
}

bool MultiDriver::setExtra(const std::string&) {
  return true;
}

uint32_t MultiDriver::valuesPerRead() const {
  return static_cast<uint32_t>(valuesPerBlock(impl_->signals));
}

bool MultiDriver::readRaw(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) {
  return impl_->read(data, sequence, battery, flags, true);
}

bool MultiDriver::read(std::vector<double>& data, uint16_t& sequence, uint16_t& battery, uint16_t& flags) {
  return impl_->read(data, sequence, battery, flags, false);
}

bool MultiDriver::isConnected() const {
  return impl_->left.driver.isConnected() && impl_->right.driver.isConnected();
}

bool MultiDriver::isRunning() const {
  return impl_->left.driver.isRunning() && impl_->right.driver.isRunning();
}

bool MultiDriver::beginSynchronization() {
  return impl_->left.driver.beginSynchronization();
}

SynchronizationSample MultiDriver::synchronizationSample() {
  return impl_->left.driver.synchronizationSample();
}

bool MultiDriver::endSynchronization() {
  return impl_->left.driver.endSynchronization();
}

void MultiDriver::connect() {
  DeviceSide& left = impl_->left;
  DeviceSide& right = impl_->right;
  const auto connectSide = [](DeviceSide& side) {
    side.driver.connect();
    if (!side.driver.isConnected()) return;
    side.buffer.clear();
    side.driver.setSignalMode(kDigitalInputIndex, 1);
  };
  concurrently([&] { connectSide(left); }, [&] { connectSide(right); });
  diag::line("connect left: ", okOrNope(left.driver.isConnected()));
  diag::line("connect right: ", okOrNope(right.driver.isConnected()));
  if (!isConnected()) return;

  diag::line("left running? ", yesOrNope(left.driver.isRunning()));
  diag::line("right running?: ", yesOrNope(right.driver.isRunning()));
  // Both stream or neither does: a half-running set would never align.
  if (!left.driver.isRunning()) right.driver.stop();
  if (!right.driver.isRunning()) left.driver.stop();
  impl_->reconcileModes();
  impl_->synchronized = false;
}

void MultiDriver::disconnect(bool clearIdentity) {
  impl_->left.driver.disconnect(clearIdentity);
  impl_->right.driver.disconnect(clearIdentity);
  diag::line("disconnect left: ", okOrNope(!impl_->left.driver.isConnected()));
  diag::line("disconnect right: ", okOrNope(!impl_->right.driver.isConnected()));
}

bool MultiDriver::start() {
  impl_->synchronized = false;
  impl_->left.buffer.clear();
  const bool left = impl_->left.driver.start();
  impl_->right.buffer.clear();
  const bool right = impl_->right.driver.start();
  diag::line("start left: ", okOrNope(left));
  diag::line("start right: ", okOrNope(right));
  return left && right;
}

bool MultiDriver::stop() {
  // Both at once: a device keeps streaming while the other one is stopped and drained, and
  // at high block rates its drain would never come to an end.
  bool left = false;
  bool right = false;
  concurrently([&] { left = impl_->left.driver.stop(); }, [&] { right = impl_->right.driver.stop(); });
  diag::line("stop left: ", okOrNope(left));
  diag::line("stop right: ", okOrNope(right));
  return left && right;
}

}  // namespace zav

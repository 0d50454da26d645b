#include "acquisition.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "interrupt.h"
#include "status_line.h"

namespace zav::cli {

namespace {

int firstEegChannels(zav_driver* driver) {
  const uint16_t count = zav_driver_get_number_of_signals(driver);
  for (uint16_t i = 0; i < count; ++i) {
    zav_signal* signal = zav_driver_get_signal(driver, i);
    char type[8];
    zav_signal_get_type(signal, type, sizeof type);
    if (std::strcmp(type, "EEG") == 0 && zav_signal_get_mode(signal) > 0) return zav_signal_get_channels(signal);
  }
  return 0;
}

}  // namespace

bool Acquisition::begin(std::string& error) {
  zav_driver_connect(driver_);
  if (!zav_driver_is_connected(driver_)) {
    error = "could not connect";
    return false;
  }
  stats_.eegChannels = firstEegChannels(driver_);
  stats_.frequency = zav_driver_get_frequency(driver_);
  if (!zav_driver_start(driver_)) {
    error = "could not start acquisition";
    return false;
  }
  return true;
}

void Acquisition::run(double seconds, const std::function<void(const AcquisitionStats&)>& onTick) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point startTime = Clock::now();
  Clock::time_point nextTick = startTime;
  for (;;) {
    const Clock::time_point now = Clock::now();
    stats_.seconds = std::chrono::duration<double>(now - startTime).count();
    if (now >= nextTick) {
      onTick(stats_);
      nextTick = now + std::chrono::milliseconds(250);
    }
    if (interruptRequested() || (seconds > 0.0 && stats_.seconds >= seconds)) break;

    uint16_t sequence = 0;
    uint16_t battery = 0;
    uint16_t flags = 0;
    if (zav_driver_read(driver_, &sequence, &battery, &flags) == nullptr) {
      if (!zav_driver_is_connected(driver_)) {
        stats_.linkLost = true;
        break;
      }
      ++stats_.timeouts;
      continue;
    }
    if (haveSequence_) {
      const uint16_t expected = static_cast<uint16_t>(stats_.lastSequence + 1);
      stats_.missingBlocks += static_cast<uint16_t>(sequence - expected);
    }
    haveSequence_ = true;
    stats_.lastSequence = sequence;
    stats_.battery = battery;
    stats_.flags = flags;
    ++stats_.blocks;
  }
  onTick(stats_);
}

bool Acquisition::end() {
  const bool stopped = !zav_driver_is_connected(driver_) || zav_driver_stop(driver_);
  zav_driver_disconnect(driver_);
  return stopped;
}

std::vector<int> Acquisition::grades() const {
  constexpr uint64_t kWindowSeconds = 10;
  if (stats_.blocks < kWindowSeconds * stats_.frequency || stats_.blocks == 0) return {};
  std::vector<int> grades(static_cast<std::size_t>(stats_.eegChannels));
  for (std::size_t c = 0; c < grades.size(); ++c) {
    grades[c] = zav_driver_get_eeg_impedance(driver_, static_cast<uint16_t>(c));
  }
  return grades;
}

std::unique_ptr<LiveSession> beginLiveSession(const DeviceOptions& options) {
  auto session = std::make_unique<LiveSession>();
  session->driver = openDevice(options, session->description);
  session->acquisition = std::make_unique<Acquisition>(session->driver.get());
  std::string error;
  if (!session->acquisition->begin(error)) {
    std::fprintf(stderr, "zav: %s: %s\n", session->description.c_str(), error.c_str());
    return nullptr;
  }
  return session;
}

void runWithStatus(Acquisition& acquisition, double seconds) {
  installInterruptHandler();
  StatusDisplay display(stdout);
  acquisition.run(seconds, [&](const AcquisitionStats& stats) { display.show(stats, acquisition.grades()); });
  display.finish(acquisition.stats(), acquisition.grades());
}

}  // namespace zav::cli

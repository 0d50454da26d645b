#include "acquisition.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "interrupt.h"
#include "log_relay.h"
#include "status_line.h"

namespace zav::cli {

namespace {

constexpr uint16_t kNotAligned = 7;
constexpr double kGradeSeconds = 10.0;
constexpr double kGradeGraceSeconds = 5.0;

int firstEegChannels(zav_driver* driver) {
  const uint16_t count = zav_driver_get_number_of_signals(driver);
  for (uint16_t i = 0; i < count; ++i) {
    zav_signal* signal = zav_driver_get_signal(driver, i);
    char type[8];
    zav_signal_get_type(signal, type, sizeof type);
    if (std::strcmp(type, "EEG") == 0 && zav_signal_get_mode(signal) > 0)
      return zav_signal_get_channels(signal);
  }
  return 0;
}

}  // namespace

bool Acquisition::begin(const DeviceOptions& options, const std::string& description, std::string& error) {
  if (!connectDevice(driver_, options, error)) return false;
  if (zav_driver_read_data_size(driver_) == 0) {
    error = "the " + description + " has no signal switched on: nothing to read";
    zav_driver_disconnect(driver_);
    return false;
  }
  if (options.sdCard && !zav_driver_enable_sd_card(driver_, 1)) {
    error = "the " + description + " did not switch its SD card on: " + zav_last_error();
    zav_driver_disconnect(driver_);
    return false;
  }
  stats_.eegChannels = firstEegChannels(driver_);
  stats_.frequency = zav_driver_get_frequency(driver_);
  if (!zav_driver_start(driver_)) {
    error = std::string("could not start acquisition: ") + zav_last_error();
    flushLogLines();
    zav_driver_disconnect(driver_);
    return false;
  }
  return true;
}

void Acquisition::count(uint16_t sequence, uint16_t battery, uint16_t flags) {
  if (haveSequence_) {
    const uint16_t expected = static_cast<uint16_t>(stats_.lastSequence + 1);
    stats_.missingBlocks += static_cast<uint16_t>(sequence - expected);
  }
  haveSequence_ = true;
  stats_.lastSequence = sequence;
  stats_.battery = battery;
  stats_.flags = flags;
  ++stats_.blocks;
  if (!stats_.pair) return;
  if (flags == kNotAligned) {
    ++stats_.unalignedRecords;
  } else {
    stats_.aligned = true;
  }
}

RunEnd Acquisition::run(double seconds, const std::function<void(const AcquisitionStats&)>& onTick,
                        const std::function<bool()>& stop, bool gradesWanted) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point startTime = Clock::now();
  Clock::time_point nextTick = startTime;
  RunEnd ending = RunEnd::timeUp;
  for (;;) {
    const Clock::time_point now = Clock::now();
    stats_.seconds = std::chrono::duration<double>(now - startTime).count();
    if (stats_.pair) stats_.realignments = realignmentCount();
    if (now >= nextTick) {
      onTick(stats_);
      nextTick = now + std::chrono::milliseconds(250);
    }
    if (interruptRequested()) {
      ending = RunEnd::interrupted;
      break;
    }
    if (stop && stop()) {
      ending = RunEnd::stoppedByCaller;
      break;
    }
    const bool timeUp = seconds > 0.0 && stats_.seconds >= seconds;
    const bool waitForGrades =
        gradesWanted && grades().empty() && stats_.seconds < seconds + kGradeGraceSeconds;
    if (timeUp && !waitForGrades) break;

    uint16_t sequence = 0;
    uint16_t battery = 0;
    uint16_t flags = 0;
    if (zav_driver_read(driver_, &sequence, &battery, &flags) == nullptr) {
      if (!zav_driver_is_connected(driver_)) {
        stats_.linkLost = true;
        ending = RunEnd::linkLost;
        break;
      }
      if (stats_.aligned && flags == kNotAligned) {
        ++stats_.nanRecords;
      } else {
        ++stats_.timeouts;
      }
      continue;
    }
    count(sequence, battery, flags);
  }
  if (stats_.pair) stats_.realignments = realignmentCount();
  onTick(stats_);
  return ending;
}

bool Acquisition::end() {
  const bool stopped = !zav_driver_is_connected(driver_) || zav_driver_stop(driver_);
  zav_driver_disconnect(driver_);
  flushLogLines();
  return stopped;
}

std::vector<int> Acquisition::grades() const {
  const auto windowBlocks = static_cast<uint64_t>(kGradeSeconds * stats_.frequency);
  const uint64_t gradedBlocks = stats_.pair ? stats_.blocks - stats_.unalignedRecords : stats_.blocks;
  if (gradedBlocks < windowBlocks || gradedBlocks == 0) return {};
  std::vector<int> grades(static_cast<std::size_t>(stats_.eegChannels));
  for (std::size_t c = 0; c < grades.size(); ++c) {
    grades[c] = zav_driver_get_eeg_impedance(driver_, static_cast<uint16_t>(c));
  }
  return grades;
}

std::unique_ptr<LiveSession> beginLiveSession(const DeviceOptions& options) {
  auto session = std::make_unique<LiveSession>();
  session->driver = openDevice(options, session->description);
  session->acquisition = std::make_unique<Acquisition>(session->driver.get(), options.eeg64Given);
  std::string error;
  if (!session->acquisition->begin(options, session->description, error)) {
    std::fprintf(stderr, "zav: %s\n", error.c_str());
    return nullptr;
  }
  return session;
}

RunEnd runWithStatus(Acquisition& acquisition, double seconds, const std::function<bool()>& stop,
                     bool gradesWanted) {
  installInterruptHandler();
  StatusDisplay display(stdout);
  const RunEnd ending = acquisition.run(
      seconds,
      [&](const AcquisitionStats& stats) {
        for (const std::string& line : takeLogLines()) display.log(line);
        display.show(stats, acquisition.grades());
      },
      stop, gradesWanted);
  for (const std::string& line : takeLogLines()) display.log(line);
  display.finish(acquisition.stats(), acquisition.grades());
  return ending;
}

}  // namespace zav::cli

// One acquisition session on a device handle: connect, start, read for a while (or until
// Ctrl-C), keeping the figures that the status line shows, then stop and disconnect.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device_options.h"
#include "zav/zav.h"

namespace zav::cli {

// Why a run ended.
enum class RunEnd { timeUp, interrupted, linkLost, stoppedByCaller };

struct AcquisitionStats {
  double seconds = 0.0;
  uint64_t blocks = 0;
  uint64_t missingBlocks = 0;  // sequence numbers skipped between consecutive blocks
  uint64_t timeouts = 0;
  uint16_t lastSequence = 0;
  uint16_t battery = 65534;
  uint16_t flags = 0;
  int eegChannels = 0;  // channels of the first enabled EEG signal
  uint16_t frequency = 0;
  bool linkLost = false;
  // The 64-channel set: records before the first alignment carry flags 7 and hold NaN;
  // after it a record that would hold a NaN fails the read with flags 7.
  bool pair = false;
  bool aligned = false;
  uint64_t unalignedRecords = 0;
  uint64_t nanRecords = 0;
  uint64_t realignments = 0;
};

class Acquisition {
 public:
  Acquisition(zav_driver* driver, bool pair) : driver_(driver) { stats_.pair = pair; }

  // Connects and starts; on failure error says why.
  bool begin(const DeviceOptions& options, const std::string& description, std::string& error);
  // Reads until the time is up (seconds <= 0: until Ctrl-C), the link is lost or stop()
  // says so; with gradesWanted, goes on for up to 5 s past the time until the first
  // grades exist. onTick runs about four times a second.
  RunEnd run(double seconds, const std::function<void(const AcquisitionStats&)>& onTick,
             const std::function<bool()>& stop = {}, bool gradesWanted = false);
  // Stops and disconnects; false when the device could not be stopped.
  bool end();

  const AcquisitionStats& stats() const { return stats_; }
  // Contact grades of the EEG channels; empty until the first 10-second window is full
  // (before that the estimator reports every channel saturated, as it sees no data yet).
  std::vector<int> grades() const;

 private:
  void count(uint16_t sequence, uint16_t battery, uint16_t flags);

  zav_driver* driver_;
  AcquisitionStats stats_;
  bool haveSequence_ = false;
};

// A device opened from the options, acquiring.
struct LiveSession {
  DriverPtr driver;
  std::string description;
  std::unique_ptr<Acquisition> acquisition;
};
// Opens the device the options name and starts acquisition on it; on failure prints why
// on standard error and returns null.
std::unique_ptr<LiveSession> beginLiveSession(const DeviceOptions& options);
// Reads with the live status display, which stays on screen; the library's log lines are
// shown above it.
RunEnd runWithStatus(Acquisition& acquisition, double seconds, const std::function<bool()>& stop = {},
                     bool gradesWanted = false);

}  // namespace zav::cli

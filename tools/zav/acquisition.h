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
};

class Acquisition {
 public:
  explicit Acquisition(zav_driver* driver) : driver_(driver) {}

  // Connects and starts; on failure error says why.
  bool begin(std::string& error);
  // Reads until the time is up (seconds <= 0: until Ctrl-C) or the link is lost; onTick
  // runs about four times a second.
  void run(double seconds, const std::function<void(const AcquisitionStats&)>& onTick);
  // Stops and disconnects; false when the device could not be stopped.
  bool end();

  const AcquisitionStats& stats() const { return stats_; }
  // Contact grades of the EEG channels; empty until the first 10-second window is full
  // (before that the estimator reports every channel saturated).
  std::vector<int> grades() const;

 private:
  zav_driver* driver_;
  AcquisitionStats stats_;
  bool haveSequence_ = false;
};

// Opens the device the options name and starts acquisition on it; on failure prints why
// on standard error and returns null.
struct LiveSession {
  DriverPtr driver;
  std::string description;
  std::unique_ptr<Acquisition> acquisition;
};
std::unique_ptr<LiveSession> beginLiveSession(const DeviceOptions& options);
// Reads for seconds (0: until Ctrl-C) with the live status display, which stays on screen.
void runWithStatus(Acquisition& acquisition, double seconds);

}  // namespace zav::cli

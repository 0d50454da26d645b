// Live grade of each EEG electrode's contact: good, fair or bad from the mean power of
// the 70-90 Hz band over the last 10 seconds, saturated when the mean absolute amplitude
// is huge. Grades are the zav_driver_impedance_* values.
//
//     ImpedanceEstimator estimator(kImpedanceWindowSeconds, kImpedanceUpdateSeconds);
//     estimator.configure(32, 8, 256, kDrySensor);
//     estimator.process(eegValues, /*transpose=*/true);   // once per block
//     int grade = estimator.status(channel);
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace zav {

enum ImpedanceGrade : int32_t {
  kImpedanceUnknown = 0,
  kImpedanceGood = 1,
  kImpedanceFair = 2,
  kImpedanceBad = 3,
  kImpedanceSaturated = 4,
};

enum SensorType : uint32_t { kDrySensor = 1, kWaterSensor = 2 };

// The window and update period that the live handle and the record export both use.
constexpr uint64_t kImpedanceWindowSeconds = 10;
constexpr uint64_t kImpedanceUpdateSeconds = 2;

class BandPowerStage;
class AmplitudeStage;

class ImpedanceEstimator {
 public:
  ImpedanceEstimator(uint64_t windowSeconds = kImpedanceWindowSeconds,
                     uint64_t updateSeconds = kImpedanceUpdateSeconds);
  ~ImpedanceEstimator();
  ImpedanceEstimator(const ImpedanceEstimator&) = delete;
  ImpedanceEstimator& operator=(const ImpedanceEstimator&) = delete;

  // Starts a new window for an EEG signal. A signal that cannot be graded (at most
  // 180 samples/s, or a shape beyond any amplifier: above 100 kHz, over 512 channels)
  // leaves every channel unknown and holds no memory.
  void configure(uint64_t channels, uint64_t blockSize, uint64_t sampleRate, uint32_t sensor);
  // One block of channels x blockSize values; transpose for channel-major input.
  void process(const double* values, bool transpose);
  // Grade of one channel; unknown for a channel beyond the configured ones.
  int32_t status(uint64_t channel) const;

  uint64_t channels() const { return channels_; }
  double power(uint64_t channel) const;
  double amplitude(uint64_t channel) const;

 private:
  uint64_t windowSeconds_;
  uint64_t updateSeconds_;
  double bandLow_ = 70.0;
  double bandHigh_ = 90.0;
  double goodLimit_ = 173.8;
  double fairLimit_ = 545.1;
  double saturationLimit_ = 85000.0;
  std::unique_ptr<BandPowerStage> powerStage_;
  std::unique_ptr<AmplitudeStage> amplitudeStage_;
  uint64_t blockSize_ = 0;
  uint64_t channels_ = 0;
  uint64_t sampleRate_ = 0;
  std::vector<double> power_;
  std::vector<double> amplitude_;
  std::vector<int32_t> status_;
  std::vector<double> block_;
  bool usable_ = false;
};

}  // namespace zav

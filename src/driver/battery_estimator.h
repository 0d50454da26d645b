// Battery level 0 (empty) to 5 (full) from the raw battery word of each block: the peak
// voltage of each period (one second of blocks) is compared with fixed thresholds, and
// between two charging periods the level can only fall.
#pragma once

#include <cstdint>
#include <string>

namespace zav {

class BatteryEstimator {
 public:
  static constexpr uint16_t kCharging = 65535;
  static constexpr uint16_t kUnknown = 65534;
  static constexpr uint16_t kChargingWord = 0xFFFF;

  // frequency in blocks per second; scale converts raw units to millivolts.
  BatteryEstimator(uint16_t frequency, double scale);

  void feed(uint16_t raw);
  uint16_t level() const { return level_; }

 private:
  int32_t firstPeriod_;
  int32_t nextPeriod_;
  double scale_;
  bool first_ = true;
  int32_t count_ = 0;
  double peak_ = 0.0;
  uint16_t level_ = kUnknown;
};

// 1.0 for an identity in the standard form "HW<n>.<n>_FW<n>.<n>", else 6.45.
double batteryScale(const std::string& identity);

}  // namespace zav

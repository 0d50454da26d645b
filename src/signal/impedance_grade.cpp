#include "signal/impedance_grade.h"

#include <cmath>

#include "signal/impedance_estimator.h"

namespace zav {

namespace {
constexpr double kSaturationLimit = 85000.0;
// Sets of this many channels or more have limits of their own.
constexpr uint64_t kLargeSetChannels = 16;
}  // namespace

ImpedanceLimits impedanceLimits(uint32_t sensor, uint64_t channels) {
  const bool large = channels >= kLargeSetChannels;
  switch (sensor) {
    case kDrySensor:
      return large ? ImpedanceLimits{1500.0, 10000.0, kSaturationLimit}
                   : ImpedanceLimits{173.8, 545.1, kSaturationLimit};
    case kWaterSensor:
      return large ? ImpedanceLimits{120.0, 240.0, kSaturationLimit} : ImpedanceLimits{5.0, 20.0, kSaturationLimit};
    default:
      return ImpedanceLimits{173.8, 545.1, kSaturationLimit};
  }
}

int32_t gradeImpedance(double power, double amplitude, const ImpedanceLimits& limits, int32_t previous) {
  if (amplitude > limits.saturation) return kImpedanceSaturated;
  if (std::isnan(power)) return previous;
  if (power <= limits.good) return kImpedanceGood;
  if (power <= limits.fair) return kImpedanceFair;
  return kImpedanceBad;
}

}  // namespace zav

// How a channel's band power and amplitude become a contact grade, and the band-power
// limits of each sensor type.
#pragma once

#include <cstdint>

namespace zav {

struct ImpedanceLimits {
  double good;        // largest band power still graded good
  double fair;        // largest band power still graded fair
  double saturation;  // mean absolute amplitude above which the channel is saturated
};

// Limits of a sensor type (kDrySensor, kWaterSensor, anything else) for a set of channels.
ImpedanceLimits impedanceLimits(uint32_t sensor, uint64_t channels);

// The grade (kImpedanceGood .. kImpedanceSaturated); a band power that is not a number
// keeps the previous grade.
int32_t gradeImpedance(double power, double amplitude, const ImpedanceLimits& limits, int32_t previous);

}  // namespace zav

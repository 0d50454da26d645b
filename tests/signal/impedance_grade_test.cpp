#include "signal/impedance_grade.h"

#include <limits>

#include <gtest/gtest.h>

#include "signal/impedance_estimator.h"

namespace zav {
namespace {

int32_t grade(uint32_t sensor, uint64_t channels, double power, double amplitude = 10.0) {
  return gradeImpedance(power, amplitude, impedanceLimits(sensor, channels), kImpedanceUnknown);
}

TEST(ImpedanceGrade, DrySetsOfSixteenOrMoreChannelsAreGoodUpTo1500AndFairUpTo10000) {
  EXPECT_EQ(grade(kDrySensor, 32, 1500.0), kImpedanceGood);
  EXPECT_EQ(grade(kDrySensor, 32, 1500.1), kImpedanceFair);
  EXPECT_EQ(grade(kDrySensor, 16, 10000.0), kImpedanceFair);
  EXPECT_EQ(grade(kDrySensor, 16, 10000.1), kImpedanceBad);
  EXPECT_EQ(grade(kDrySensor, 15, 173.8), kImpedanceGood);
  EXPECT_EQ(grade(kDrySensor, 15, 173.9), kImpedanceFair);
  EXPECT_EQ(grade(kDrySensor, 8, 545.2), kImpedanceBad);
}

TEST(ImpedanceGrade, WaterSetsHaveTheirOwnLimits) {
  EXPECT_EQ(grade(kWaterSensor, 8, 5.0), kImpedanceGood);
  EXPECT_EQ(grade(kWaterSensor, 8, 20.0), kImpedanceFair);
  EXPECT_EQ(grade(kWaterSensor, 8, 20.5), kImpedanceBad);
  EXPECT_EQ(grade(kWaterSensor, 64, 120.0), kImpedanceGood);
  EXPECT_EQ(grade(kWaterSensor, 64, 240.0), kImpedanceFair);
  EXPECT_EQ(grade(kWaterSensor, 64, 240.5), kImpedanceBad);
}

TEST(ImpedanceGrade, AnUnknownSensorUsesTheSmallDryLimitsWhateverTheChannels) {
  EXPECT_EQ(grade(7, 64, 173.8), kImpedanceGood);
  EXPECT_EQ(grade(0, 64, 545.1), kImpedanceFair);
  EXPECT_EQ(grade(0, 64, 545.2), kImpedanceBad);
}

TEST(ImpedanceGrade, SaturationOutranksPowerAndANaNPowerKeepsThePreviousGrade) {
  const ImpedanceLimits limits = impedanceLimits(kDrySensor, 32);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(gradeImpedance(0.0, 85000.0, limits, kImpedanceUnknown), kImpedanceGood);
  EXPECT_EQ(gradeImpedance(0.0, 85000.1, limits, kImpedanceUnknown), kImpedanceSaturated);
  EXPECT_EQ(gradeImpedance(nan, 85000.1, limits, kImpedanceFair), kImpedanceSaturated);
  EXPECT_EQ(gradeImpedance(nan, 10.0, limits, kImpedanceFair), kImpedanceFair);
  EXPECT_EQ(gradeImpedance(nan, nan, limits, kImpedanceBad), kImpedanceBad);
}

}  // namespace
}  // namespace zav

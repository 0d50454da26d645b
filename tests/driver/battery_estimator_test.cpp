#include "driver/battery_estimator.h"

#include <gtest/gtest.h>

namespace zav {
namespace {

TEST(BatteryEstimator, PeakOfEachPeriodSetsAFallingLevel) {
  BatteryEstimator battery(2, 1.0);
  EXPECT_EQ(battery.level(), BatteryEstimator::kUnknown);
  battery.feed(3700);
  EXPECT_EQ(battery.level(), BatteryEstimator::kUnknown);  // the period is not over
  battery.feed(3600);
  EXPECT_EQ(battery.level(), 3);  // 3740 is the first threshold above 3700
  battery.feed(3900);
  battery.feed(3000);
  EXPECT_EQ(battery.level(), 3);  // a higher peak later does not raise it
  battery.feed(3560);
  battery.feed(3550);
  EXPECT_EQ(battery.level(), 1);

  battery.feed(0xFFFF);
  EXPECT_EQ(battery.level(), BatteryEstimator::kCharging);
  battery.feed(3900);
  EXPECT_EQ(battery.level(), BatteryEstimator::kCharging);
  battery.feed(3800);
  EXPECT_EQ(battery.level(), 5);  // set afresh after charging
}

TEST(BatteryEstimator, ScaleAndEdgeValues) {
  BatteryEstimator scaled(1, 6.45);
  scaled.feed(560);  // 3612 mV
  EXPECT_EQ(scaled.level(), 2);

  BatteryEstimator empty(1, 1.0);
  empty.feed(3000);
  EXPECT_EQ(empty.level(), 0);
  empty.feed(0x8000);  // negative: no peak, nothing decided
  EXPECT_EQ(empty.level(), 0);

  BatteryEstimator negative(1, 1.0);
  negative.feed(0xFFFE);
  EXPECT_EQ(negative.level(), BatteryEstimator::kUnknown);
}

TEST(BatteryEstimator, ZeroFrequencyDecidesEveryBlock) {
  BatteryEstimator battery(0, 1.0);
  battery.feed(3700);
  EXPECT_EQ(battery.level(), 3);
  battery.feed(3550);
  EXPECT_EQ(battery.level(), 1);
}

TEST(BatteryScale, StandardIdentitiesOnly) {
  const std::string standards[] = {"HW1.0_FW2.3", "HW12.340_FW5.67", "HW1.0_FW2." + std::string(6000, '7')};
  for (const std::string& standard : standards) {
    EXPECT_EQ(batteryScale(standard), 1.0) << standard.substr(0, 20);
  }
  for (const char* other : {"HW1.0_FW2.3 ", "xHW1.0_FW2.3", "HW1_FW2.3", "HW1.0_FW2.", "hw1.0_fw2.3", ""}) {
    EXPECT_EQ(batteryScale(other), 6.45) << other;
  }
}

}  // namespace
}  // namespace zav

#include "driver/battery_estimator.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zav {
namespace {

TEST(BatteryEstimator, ThePeakOfEachPeriodSetsALevelThatOnlyFallsUntilCharging) {
  constexpr uint16_t kUnknown = BatteryEstimator::kUnknown, kCharging = BatteryEstimator::kCharging;
  const struct {
    const char* what;
    uint16_t frequency;  // blocks per period; 0 decides on every block
    double scale;
    std::vector<std::pair<uint16_t, uint16_t>> feedsAndLevels;
  } cases[] = {
      // 3740 is the first threshold above 3700; a higher peak later does not raise the level.
      {"falling", 2, 1.0, {{3700, kUnknown}, {3600, 3}, {3900, 3}, {3000, 3}, {3560, 3}, {3550, 1}}},
      {"set afresh after charging", 1, 1.0, {{3550, 1}, {0xFFFF, kCharging}, {3900, 5}}},
      {"charging holds the period", 2, 1.0, {{0xFFFF, kCharging}, {3900, kCharging}, {3800, 5}}},
      {"scaled: 560 is 3612 mV", 1, 6.45, {{560, 2}}},
      {"a negative value decides nothing", 1, 1.0, {{3000, 0}, {0x8000, 0}}},
      {"nor does a negative value first", 1, 1.0, {{0xFFFE, kUnknown}}},
      {"every block", 0, 1.0, {{3700, 3}, {3550, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BatteryEstimator battery(c.frequency, c.scale);
    for (const auto& [feed, level] : c.feedsAndLevels) {
      battery.feed(feed);
      EXPECT_EQ(battery.level(), level) << feed;
    }
  }
}

TEST(BatteryScale, StandardIdentitiesOnly) {
  const std::string standards[] = {"HW1.0_FW2.3", "HW12.340_FW5.67", "HW1.0_FW2." + std::string(6000, '7')};
  for (const std::string& standard : standards)
    EXPECT_EQ(batteryScale(standard), 1.0) << standard.substr(0, 20);
  for (const char* other : {"HW1.0_FW2.3 ", "xHW1.0_FW2.3", "HW1_FW2.3", "HW1.0_FW2.", "hw1.0_fw2.3", ""})
    EXPECT_EQ(batteryScale(other), 6.45) << other;
}

}  // namespace
}  // namespace zav

// Per block on the reading thread the estimator must not touch the heap: this program counts allocations.
#include "signal/impedance_estimator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "signal/impedance_grade.h"
#include "support/allocation_counter.h"

namespace zav {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Feeds blocks of value(channel, sample since the first), channel-major as the driver's or sample-major.
struct Feeder {
  ImpedanceEstimator& estimator;
  uint64_t channels, blockSize;
  bool channelMajor = true;
  uint64_t sample = 0;

  template <typename Signal>
  void blocks(uint64_t count, Signal value) {
    std::vector<double> block(channels * blockSize);
    for (uint64_t b = 0; b < count; ++b, sample += blockSize) {
      for (uint64_t i = 0; i < block.size(); ++i)
        block[i] = channelMajor ? value(i / blockSize, sample + i % blockSize)
                                : value(i % channels, sample + i / channels);
      estimator.process(block.data(), channelMajor);
    }
  }
};

double sine(double amplitude, double frequency, uint64_t sample, uint64_t rate) {
  return amplitude * std::sin(2.0 * kPi * frequency * double(sample) / double(rate));
}

using Grades = std::vector<int32_t>;

Grades grades(const ImpedanceEstimator& estimator) {
  Grades all;
  for (uint64_t c = 0; c < estimator.channels(); ++c) all.push_back(estimator.status(c));
  return all;
}

TEST(ImpedanceGrade, SaturationOutranksLimitsThatDependOnTheSensorAndOnSetsOfSixteenOrMoreChannels) {
  const struct {
    uint32_t sensor;
    uint64_t channels;
    double good, fair;  // the largest powers still graded so
  } sets[] = {{kDrySensor, 16, 1500.0, 10000.0}, {kDrySensor, 15, 173.8, 545.1}, {kWaterSensor, 8, 5.0, 20.0},
              {kWaterSensor, 64, 120.0, 240.0},  {7, 64, 173.8, 545.1},          {0, 64, 173.8, 545.1}};
  for (const auto& set : sets) {
    SCOPED_TRACE(testing::Message() << "sensor " << set.sensor << ", " << set.channels << " channels");
    const ImpedanceLimits limits = impedanceLimits(set.sensor, set.channels);
    EXPECT_EQ(gradeImpedance(set.good, 10.0, limits, kImpedanceUnknown), kImpedanceGood);
    EXPECT_EQ(gradeImpedance(set.good + 0.1, 10.0, limits, kImpedanceUnknown), kImpedanceFair);
    EXPECT_EQ(gradeImpedance(set.fair, 10.0, limits, kImpedanceUnknown), kImpedanceFair);
    EXPECT_EQ(gradeImpedance(set.fair + 0.1, 10.0, limits, kImpedanceUnknown), kImpedanceBad);
  }
  // Saturation outranks power, and a power that is not a number keeps the previous grade.
  const ImpedanceLimits limits = impedanceLimits(kDrySensor, 32);
  EXPECT_EQ(gradeImpedance(0.0, 85000.0, limits, kImpedanceUnknown), kImpedanceGood);
  EXPECT_EQ(gradeImpedance(0.0, 85000.1, limits, kImpedanceUnknown), kImpedanceSaturated);
  EXPECT_EQ(gradeImpedance(kNaN, 85000.1, limits, kImpedanceFair), kImpedanceSaturated);
  EXPECT_EQ(gradeImpedance(kNaN, 10.0, limits, kImpedanceFair), kImpedanceFair);
  EXPECT_EQ(gradeImpedance(kNaN, kNaN, limits, kImpedanceBad), kImpedanceBad);
}

// Channel 3 misses one sample: its power is NaN, and its grade stays, until the gap has left the window.
TEST(ImpedanceEstimator, ReadsSaturatedUntilTheBlockThatFillsTheWindowThenGradesEverySixtyFiveBlocks) {
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(4, 8, 256, kDrySensor);
  estimator.process(nullptr, true);
  Feeder feeder{estimator, 4, 8};
  std::vector<uint64_t> evaluatedAt;
  double lastPower = estimator.power(0);
  while (feeder.sample / 8 < 520) {
    // A growing amplitude makes every evaluation's power differ from the one before.
    feeder.blocks(1, [](uint64_t c, uint64_t n) {
      return c == 3 && n == 80 ? kNaN : sine(10.0 + 0.001 * double(n), 80.0, n, 256);
    });
    if (estimator.power(0) != lastPower) evaluatedAt.push_back(feeder.sample / 8);
    lastPower = estimator.power(0);
    if (feeder.sample / 8 == 319) {
      EXPECT_EQ(grades(estimator), Grades(4, kImpedanceSaturated)) << "no full window yet";
    } else if (feeder.sample / 8 == 320) {
      EXPECT_TRUE(std::isnan(estimator.power(3)));
      EXPECT_EQ(grades(estimator), (Grades{1, 1, 1, 4}));
    }
  }
  EXPECT_EQ(evaluatedAt, (std::vector<uint64_t>{320, 385, 450, 515}));
  EXPECT_EQ(grades(estimator), Grades(4, kImpedanceGood)) << "channel 3 too, once the gap has left";
  EXPECT_EQ(estimator.power(4), 0.0) << "beyond the configured channels";
  EXPECT_EQ(estimator.amplitude(4), 0.0);
}

// The rows also show the sensor's limits for the channel count, and sample-major blocks read alike.
TEST(ImpedanceEstimator, GradesAnEightyHertzSineByItsMeanSquareWithTheLimitsOfTheSensorAndChannels) {
  const struct {
    uint64_t sampleRate, blockSize, channels;
    uint32_t sensor;
    int32_t grade;  // of the 80 Hz channel
    bool channelMajor;
  } setups[] = {{256, 8, 3, kDrySensor, kImpedanceFair, true},
                {250, 10, 3, kWaterSensor, kImpedanceBad, true},
                {500, 10, 32, kDrySensor, kImpedanceGood, false},
                {1000, 20, 16, 0, kImpedanceFair, true}};
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.sampleRate);
    ImpedanceEstimator estimator(10, 2);
    estimator.configure(setup.channels, setup.blockSize, setup.sampleRate, setup.sensor);
    const double amplitude = 20.0;  // power 200
    Feeder{estimator, setup.channels, setup.blockSize, setup.channelMajor}.blocks(
        10 * setup.sampleRate / setup.blockSize, [&](uint64_t c, uint64_t n) {
          return c >= 2 ? 0.0 : sine(amplitude, c == 0 ? 80.0 : 20.0, n, setup.sampleRate);
        });
    EXPECT_NEAR(estimator.power(0), amplitude * amplitude / 2.0, 0.01 * amplitude * amplitude / 2.0);
    EXPECT_LT(estimator.power(1), 0.01) << "20 Hz is far outside the band";
    EXPECT_NEAR(estimator.amplitude(0), amplitude * 2.0 / kPi, 0.01 * amplitude) << "mean |sine| is 2A/pi";
    Grades expected(setup.channels, kImpedanceGood);
    expected[0] = setup.grade;
    EXPECT_EQ(grades(estimator), expected);
  }
}

// Shapes beyond any amplifier come from a device's answers or a record's header: they must claim no memory.
TEST(ImpedanceEstimator, LeavesEveryChannelUnknownAndHoldsNoMemoryWhenTheSignalCannotBeMeasured) {
  const struct {
    const char* what;
    uint64_t windowSeconds, channels, blockSize, sampleRate;
  } setups[] = {{"180 samples/s puts 90 Hz at half the rate", 10, 4, 4, 180},
                {"below the band", 10, 4, 10, 100},
                {"no channels", 10, 0, 8, 256},
                {"channels x blockSize wraps to 0", 10, uint64_t{1} << 62, 8, 256},
                {"blocks of no samples", 10, 4, 0, 256},
                {"no window", 0, 4, 8, 256},
                {"a window too long for memory", UINT64_MAX / 4, 4, 8, 256},
                {"a block rate of 6,700 with 999 samples", 10, 1, 999, 6700 * 999},
                {"a block rate of 26,843 with 999 samples", 10, 1, 999, 26843 * 999},
                {"more channels than any amplifier", 10, 4096, 8, 256}};
  for (const auto& setup : setups) {
    SCOPED_TRACE(setup.what);
    ImpedanceEstimator estimator(setup.windowSeconds, 2);
    estimator.configure(4, 8, 256, kDrySensor);
    Feeder{estimator, 4, 8}.blocks(330, [](uint64_t, uint64_t n) { return sine(5.0, 80.0, n, 256); });
    ASSERT_EQ(estimator.status(0), setup.windowSeconds == 10 ? kImpedanceGood : kImpedanceUnknown);

    ::testing::internal::CaptureStderr();
    const uint64_t before = zav::test::allocatedBytes();
    estimator.configure(setup.channels, setup.blockSize, setup.sampleRate, kDrySensor);
    EXPECT_LT(zav::test::allocatedBytes() - before, 1u << 16);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "no impossible filter is even tried";
    std::vector<double> block(std::max<uint64_t>(setup.channels * setup.blockSize, 4 * 10), 1e6);
    estimator.process(block.data(), true);
    EXPECT_EQ(estimator.status(0), kImpedanceUnknown);
    EXPECT_EQ(estimator.status(setup.channels - 1), kImpedanceUnknown);
    EXPECT_EQ(estimator.power(0), 0.0);
  }
  ImpedanceEstimator justFastEnough(10, 2);
  justFastEnough.configure(2, 8, 184, kDrySensor);
  EXPECT_EQ(grades(justFastEnough), Grades(2, kImpedanceSaturated));
}

TEST(ImpedanceEstimator, ReconfiguringKeepsKnownGradesAndWaitsForANewWindow) {
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(4, 8, 256, kDrySensor);
  Feeder{estimator, 4, 8}.blocks(320, [](uint64_t, uint64_t n) { return sine(5.0, 80.0, n, 256); });
  ASSERT_EQ(grades(estimator), Grades(4, kImpedanceGood));
  const double power = estimator.power(0);

  estimator.configure(6, 8, 256, kDrySensor);
  EXPECT_EQ(grades(estimator), (Grades{1, 1, 1, 1, 4, 4}));
  Feeder feeder{estimator, 6, 8};
  feeder.blocks(319, [](uint64_t, uint64_t n) { return sine(50.0, 80.0, n, 256); });
  EXPECT_EQ(estimator.power(0), power) << "the window starts empty again";
  feeder.blocks(1, [](uint64_t, uint64_t n) { return sine(50.0, 80.0, n, 256); });
  EXPECT_EQ(grades(estimator), Grades(6, kImpedanceBad));

  estimator.configure(6, 8, 100, kDrySensor);
  estimator.configure(6, 8, 256, kDrySensor);
  EXPECT_EQ(grades(estimator), Grades(6, kImpedanceSaturated))
      << "channels left unknown wait for their first window like new ones";
}

TEST(ImpedanceEstimator, SurvivesInfiniteHugeAndTinyValues) {
  ImpedanceEstimator estimator(1, 0);
  estimator.configure(5, 8, 250, kWaterSensor);  // 31 blocks per second, window not a block multiple
  const double odd[] = {kInf, -kInf, 1e308, std::numeric_limits<double>::denorm_min(), kNaN};
  Feeder feeder{estimator, 5, 8};
  feeder.blocks(100, [&](uint64_t c, uint64_t n) { return n % 7 == 0 ? odd[c] : sine(3.0, 80.0, n, 250); });
  // Infinite or huge mean amplitudes saturate; a NaN keeps the first grade.
  EXPECT_EQ(grades(estimator), (Grades{kImpedanceSaturated, kImpedanceSaturated, kImpedanceSaturated,
                                       kImpedanceGood, kImpedanceSaturated}));
}

// 500 blocks/s of 8 samples: the fastest amplifier's window.
TEST(ImpedanceEstimatorHeap, AFastAmplifierCostsAFewMegabytesAndProcessAllocatesNothingEvenWhenItGrades) {
  const uint64_t bytes = zav::test::allocatedBytes();
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(64, 8, 4000, kDrySensor);
  EXPECT_LT(zav::test::allocatedBytes() - bytes, 8u << 20);
  std::vector<double> block(64 * 8);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = 30.0 * std::sin(0.9 * static_cast<double>(i));

  const uint64_t before = zav::test::allocations();
  for (int b = 0; b < 5100; ++b) estimator.process(block.data(), b % 2 == 0);
  EXPECT_EQ(zav::test::allocations() - before, 0u);
  EXPECT_NE(estimator.status(0), kImpedanceSaturated) << "the run did reach its first grades";
}

}  // namespace
}  // namespace zav

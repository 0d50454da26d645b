#include "signal/impedance_estimator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zav {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Feeds channel-major blocks, as the driver hands them out, of a signal given as
// value(channel, sample number since the first block).
struct Feeder {
  ImpedanceEstimator& estimator;
  uint64_t channels;
  uint64_t blockSize;
  uint64_t sample = 0;

  template <typename Signal>
  void blocks(uint64_t count, Signal value) {
    std::vector<double> block(channels * blockSize);
    for (uint64_t b = 0; b < count; ++b, sample += blockSize) {
      for (uint64_t i = 0; i < block.size(); ++i) block[i] = value(i / blockSize, sample + i % blockSize);
      estimator.process(block.data(), true);
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

TEST(ImpedanceEstimator, ReadsSaturatedUntilTheBlockThatFillsTheWindowThenGradesEverySixtyFiveBlocks) {
  ImpedanceEstimator estimator(10, 2);
  EXPECT_EQ(estimator.status(0), kImpedanceUnknown) << "not configured";
  estimator.configure(4, 8, 256, kDrySensor);
  estimator.process(nullptr, true);
  Feeder feeder{estimator, 4, 8};
  std::vector<uint64_t> evaluatedAt;
  double lastPower = estimator.power(0);
  while (feeder.sample / 8 < 520) {
    // A growing amplitude makes every evaluation's power differ from the one before.
    feeder.blocks(1, [](uint64_t, uint64_t n) { return sine(10.0 + 0.001 * double(n), 80.0, n, 256); });
    if (estimator.power(0) != lastPower) evaluatedAt.push_back(feeder.sample / 8);
    lastPower = estimator.power(0);
    if (feeder.sample / 8 == 319) {
      EXPECT_EQ(grades(estimator), Grades(4, kImpedanceSaturated)) << "no full window yet";
    }
  }
  EXPECT_EQ(evaluatedAt, (std::vector<uint64_t>{320, 385, 450, 515}));
  EXPECT_EQ(grades(estimator), Grades(4, kImpedanceGood));
  // Channels beyond the configured ones.
  EXPECT_EQ(estimator.status(4), kImpedanceUnknown);
  EXPECT_EQ(estimator.status(UINT64_MAX), kImpedanceUnknown);
  EXPECT_EQ(estimator.power(4), 0.0);
  EXPECT_EQ(estimator.amplitude(4), 0.0);
}

TEST(ImpedanceEstimator, GradesAnEightyHertzSineByItsMeanSquare) {
  struct Rate {
    uint64_t sampleRate;
    uint64_t blockSize;
  };
  for (const Rate rate : {Rate{256, 8}, Rate{250, 10}, Rate{500, 10}, Rate{1000, 20}}) {
    SCOPED_TRACE(rate.sampleRate);
    ImpedanceEstimator estimator(10, 2);
    estimator.configure(3, rate.blockSize, rate.sampleRate, kDrySensor);
    Feeder feeder{estimator, 3, rate.blockSize};
    const double amplitude = 20.0;  // power 200: fair for a small dry set
    feeder.blocks(10 * rate.sampleRate / rate.blockSize, [&](uint64_t c, uint64_t n) {
      return c == 2 ? 0.0 : sine(amplitude, c == 0 ? 80.0 : 20.0, n, rate.sampleRate);
    });
    EXPECT_NEAR(estimator.power(0), amplitude * amplitude / 2.0, 0.01 * amplitude * amplitude / 2.0);
    EXPECT_LT(estimator.power(1), 0.01) << "20 Hz is far outside the band";
    EXPECT_EQ(estimator.power(2), 0.0);
    EXPECT_NEAR(estimator.amplitude(0), amplitude * 2.0 / kPi, 0.01 * amplitude) << "mean |sine| is 2A/pi";
    EXPECT_EQ(grades(estimator), (Grades{kImpedanceFair, kImpedanceGood, kImpedanceGood}));
  }
}

TEST(ImpedanceEstimator, GradesAnOffsetGoodOnPowerAndSaturatedOnAmplitude) {
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(4, 8, 256, kDrySensor);
  Feeder feeder{estimator, 4, 8};
  const double offsets[] = {1000.0, 100000.0, -90000.0, 80000.0};
  feeder.blocks(2 * 320 + 65, [&](uint64_t c, uint64_t) { return offsets[c]; });
  EXPECT_LT(estimator.power(0), 1e-6) << "the start-up transient has left the window";
  EXPECT_LT(estimator.power(1), 1e-3);
  EXPECT_DOUBLE_EQ(estimator.amplitude(1), 100000.0);
  EXPECT_DOUBLE_EQ(estimator.amplitude(2), 90000.0);
  EXPECT_EQ(grades(estimator),
            (Grades{kImpedanceGood, kImpedanceSaturated, kImpedanceSaturated, kImpedanceGood}));
}

TEST(ImpedanceEstimator, TakesItsLimitsFromTheSensorAndTheChannelCount) {
  struct Case {
    uint32_t sensor;
    uint64_t channels;
    double goodPower, fairPower, badPower;
  };
  // The limits themselves are the grade's (impedance_grade_test); these show which apply.
  const Case cases[] = {{kDrySensor, 32, 1400.0, 1600.0, 12000.0},
                        {kWaterSensor, 8, 4.0, 15.0, 25.0},
                        {0, 16, 150.0, 200.0, 600.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "sensor " << c.sensor << ", " << c.channels << " channels");
    ImpedanceEstimator estimator(10, 2);
    estimator.configure(c.channels, 8, 256, c.sensor);
    const double amplitudes[] = {std::sqrt(2.0 * c.goodPower), std::sqrt(2.0 * c.fairPower),
                                 std::sqrt(2.0 * c.badPower)};
    Feeder feeder{estimator, c.channels, 8};
    feeder.blocks(320, [&](uint64_t c, uint64_t n) { return sine(amplitudes[c % 3], 80.0, n, 256); });
    EXPECT_EQ(estimator.status(0), kImpedanceGood) << estimator.power(0);
    EXPECT_EQ(estimator.status(1), kImpedanceFair) << estimator.power(1);
    EXPECT_EQ(estimator.status(2), kImpedanceBad) << estimator.power(2);
  }
}

TEST(ImpedanceEstimator, LeavesEveryChannelUnknownWhenTheSignalCannotBeMeasured) {
  struct Setup {
    const char* what;
    uint64_t windowSeconds, channels, blockSize, sampleRate;
  };
  const Setup setups[] = {{"180 samples/s puts 90 Hz at half the rate", 10, 4, 4, 180},
                          {"below the band", 10, 4, 10, 100},
                          {"blocks of no samples", 10, 4, 0, 256},
                          {"no window", 0, 4, 8, 256},
                          {"a window too long for memory", UINT64_MAX / 4, 4, 8, 256},
                          {"a sampling rate no amplifier reaches", 10, 1, 999, 6700 * 999},
                          {"more channels than any amplifier", 10, 4096, 8, 256}};
  for (const Setup& setup : setups) {
    SCOPED_TRACE(setup.what);
    ImpedanceEstimator estimator(setup.windowSeconds, 2);
    estimator.configure(4, 8, 256, kDrySensor);
    Feeder{estimator, 4, 8}.blocks(330, [](uint64_t, uint64_t n) { return sine(5.0, 80.0, n, 256); });
    ASSERT_EQ(estimator.status(0), setup.windowSeconds == 10 ? kImpedanceGood : kImpedanceUnknown);

    ::testing::internal::CaptureStderr();
    estimator.configure(setup.channels, setup.blockSize, setup.sampleRate, kDrySensor);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "no impossible filter is even tried";
    EXPECT_EQ(grades(estimator), Grades(setup.channels, kImpedanceUnknown));
    std::vector<double> block(std::max<uint64_t>(setup.channels * setup.blockSize, 4 * 10), 1e6);
    estimator.process(block.data(), true);
    EXPECT_EQ(grades(estimator), Grades(setup.channels, kImpedanceUnknown));
    EXPECT_EQ(estimator.power(0), 0.0);
  }
  ImpedanceEstimator empty(10, 2);
  empty.configure(0, 8, 256, kDrySensor);
  empty.process(nullptr, true);
  EXPECT_EQ(empty.status(0), kImpedanceUnknown);

  ImpedanceEstimator enormous(10, 2);
  enormous.configure(uint64_t{1} << 62, 8, 256, kDrySensor);  // channels x blockSize wraps to 0
  std::vector<double> block(64, 1.0);
  enormous.process(block.data(), true);
  EXPECT_EQ(enormous.status(0), kImpedanceUnknown);
  EXPECT_EQ(enormous.power(0), 0.0);

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

TEST(ImpedanceEstimator, KeepsTheGradeOfAChannelWhosePowerIsNotANumber) {
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(2, 8, 256, kDrySensor);
  Feeder feeder{estimator, 2, 8};
  const auto signal = [](uint64_t c, uint64_t n) {
    return c == 1 && n == 80 ? kNaN : sine(5.0, 80.0, n, 256);
  };
  feeder.blocks(320, signal);
  EXPECT_TRUE(std::isnan(estimator.power(1)));
  EXPECT_EQ(grades(estimator), (Grades{kImpedanceGood, kImpedanceSaturated}));
  feeder.blocks(65, signal);
  EXPECT_EQ(grades(estimator), (Grades{kImpedanceGood, kImpedanceGood}))
      << "graded again once the gap has left the window";
}

TEST(ImpedanceEstimator, ReadsChannelMajorOrSampleMajorBlocksAlike) {
  ImpedanceEstimator channelMajor(10, 2);
  ImpedanceEstimator sampleMajor(10, 2);
  channelMajor.configure(3, 8, 256, kDrySensor);
  sampleMajor.configure(3, 8, 256, kDrySensor);
  std::vector<double> byChannel(24);
  std::vector<double> bySample(24);
  for (uint64_t b = 0; b < 320; ++b) {
    for (uint64_t i = 0; i < 24; ++i) {
      const uint64_t c = i / 8;
      const uint64_t s = i % 8;
      byChannel[i] = bySample[s * 3 + c] = sine(10.0 * double(c + 1), 75.0 + 5.0 * double(c), b * 8 + s, 256);
    }
    channelMajor.process(byChannel.data(), true);
    sampleMajor.process(bySample.data(), false);
  }
  for (uint64_t c = 0; c < 3; ++c) {
    EXPECT_GT(channelMajor.power(c), 0.0);
    EXPECT_EQ(channelMajor.power(c), sampleMajor.power(c));
    EXPECT_EQ(channelMajor.amplitude(c), sampleMajor.amplitude(c));
  }
}

TEST(ImpedanceEstimator, SurvivesInfiniteHugeAndTinyValues) {
  ImpedanceEstimator estimator(1, 0);
  estimator.configure(5, 8, 250, kWaterSensor);  // 31 blocks per second, window not a block multiple
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {inf, -inf, 1e308, std::numeric_limits<double>::denorm_min(), kNaN};
  Feeder feeder{estimator, 5, 8};
  feeder.blocks(100, [&](uint64_t c, uint64_t n) { return n % 7 == 0 ? odd[c] : sine(3.0, 80.0, n, 250); });
  for (int32_t grade : grades(estimator)) {
    EXPECT_GE(grade, kImpedanceUnknown);
    EXPECT_LE(grade, kImpedanceSaturated);
  }
  EXPECT_EQ(estimator.status(0), kImpedanceSaturated) << "an infinite mean amplitude";
  EXPECT_EQ(estimator.status(3), kImpedanceGood);
}

}  // namespace
}  // namespace zav

// The simulated amplifier: pacing on a scripted clock, battery, marker schedule, built-in EEG.
#include "transport/mock_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "common/byte_order.h"
#include "driver/battery_estimator.h"
#include "signal/signal_decoder.h"
#include "transport/marker_code.h"
#include "transport/mock_configuration.h"

namespace zav {
namespace {

// A device streaming 10-byte blocks on a clock that jumps to whatever time it sleeps until.
struct SmallDevice {
  explicit SmallDevice(int32_t frequency, MockSetup setup = {}) {
    setup.frequency = frequency;
    setup.signals = {{SignalInfo("DIN", 1, 1, 1, 1), {}}};
    device.setPacer({[this] { return now; }, [this](int64_t until) { sleeps.push_back(now = until); }});
    device.configure(setup);
    device.startStreaming();
  }
  uint16_t next(uint16_t* battery = nullptr) {
    device.produceBlock(output);
    uint8_t block[10];
    EXPECT_EQ(output.take(block, sizeof block), sizeof block);
    if (battery != nullptr) *battery = readU16BE(block + 4);
    return readU16BE(block + 2);
  }

  int64_t now = 5000000000;
  std::vector<int64_t> sleeps;
  MockDevice device;
  ByteQueue output;
};

TEST(MockDeviceTest, BlocksAreDueAtTheirRateWithoutDriftAcrossTheSequenceWrapAndLateOnesComeAtOnce) {
  SmallDevice slow(32);
  const int64_t start = slow.now;
  for (int i = 0; i < 33; ++i) slow.next();
  ASSERT_EQ(slow.sleeps.size(), 32u) << "every block after the first waits for its time";
  EXPECT_EQ(slow.sleeps[0], start + 31250000);
  EXPECT_EQ(slow.sleeps.back(), start + 1000000000) << "32 blocks take exactly one second";
  slow.now += 100000000;
  slow.sleeps.clear();
  for (int i = 0; i < 3; ++i) slow.next();
  EXPECT_TRUE(slow.sleeps.empty()) << "a reader that fell behind gets the overdue blocks at once";

  // Started afresh near the wrap of the 16-bit sequence, the pace holds.
  SmallDevice fast(1000);
  while (fast.device.sequence() != 65530) fast.next();
  fast.sleeps.clear();
  const int64_t restart = fast.now;
  fast.device.startStreaming();
  EXPECT_EQ(fast.next(), 65530);
  for (int i = 0; i < 10; ++i) fast.next();
  EXPECT_EQ(fast.next(), 5) << "the sequence wraps at 65536";
  ASSERT_EQ(fast.sleeps.size(), 11u);
  for (std::size_t i = 0; i < fast.sleeps.size(); ++i)
    EXPECT_EQ(fast.sleeps[i], restart + static_cast<int64_t>(i + 1) * 1000000) << "block " << i + 1;
}

TEST(MockDeviceTest, BuiltInBatteryStartsFullAndDischargesWhileStreaming) {
  MockSetup setup;
  ASSERT_TRUE(addMockPreset(kDefaultPreset, setup));
  SmallDevice small(32, setup);  // the built-in battery on a small device
  BatteryEstimator estimator(32, batteryScale(small.device.version()));
  for (const auto& [minutes, level] : {std::pair{1, 5}, std::pair{39, 3}}) {  // a few millivolts a minute
    for (int i = 0; i < minutes * 60 * 32; ++i) {
      uint16_t battery = 0;
      small.next(&battery);
      estimator.feed(battery);
    }
    EXPECT_EQ(estimator.level(), level) << minutes;
  }
}

TEST(MockDeviceTest, MarkerScheduleNeverRepeatsACodeInConsecutivePeriods) {
  for (int64_t period = -300; period < 300; ++period)
    ASSERT_NE(scheduledMarkerCode(period), scheduledMarkerCode(period + 1)) << period;
}

// One EEG channel (of 32, 8 samples a block) out of the device's block-major value list.
std::vector<double> eegChannel(const nlohmann::json& device, std::size_t channel) {
  const auto values = device["signals"][0]["values"].get<std::vector<double>>();
  EXPECT_EQ(values.size() % 256, 0u);
  std::vector<double> samples;
  for (auto first = values.begin(); first != values.end(); first += 256)
    samples.insert(samples.end(), first + channel * 8, first + channel * 8 + 8);
  return samples;
}

// Mean square of the part between two frequencies, by a plain DFT of the whole periodic loop at 256 Hz.
double bandPower(const std::vector<double>& samples, double low, double high) {
  const double n = static_cast<double>(samples.size());
  double power = 0.0;
  for (double k = std::ceil(low * n / 256.0); k <= high * n / 256.0; ++k) {
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i)
      sum += samples[i] * std::polar(1.0, -2.0 * 3.14159265358979323846 * std::fmod(k * double(i), n) / n);
    power += 2.0 * std::norm(sum) / (n * n);
  }
  return power;
}

TEST(MockDefaultDeviceTest, EegHasAlphaRhythmAndNoisyElectrodesWithinRange) {
  // Each device with its loose electrodes (0-based).
  const std::pair<nlohmann::json, std::vector<std::size_t>> cases[] = {
      {defaultSimulatedDevice(), {7, 23}}, {simulatedSetSide(true), {7}}, {simulatedSetSide(false), {19}}};
  EXPECT_EQ(defaultSimulatedDevice(), defaultSimulatedDevice()) << "the same data on every call";
  const double largest = 8388607 * makeDecoder("EEG", 3, 1, 1)->resolution(0, 1);
  for (const auto& [device, loose] : cases) {
    SCOPED_TRACE(loose[0]);
    EXPECT_GE(eegChannel(device, 0).size(), 512u) << "at least two seconds loop";
    EXPECT_NE(eegChannel(device, 0), eegChannel(device, 1)) << "not one waveform 32 times";
    for (std::size_t c = 0; c < 32; ++c) {
      SCOPED_TRACE(c);
      const std::vector<double> samples = eegChannel(device, c);
      const double highBand = bandPower(samples, 70.0, 90.0);
      const double alpha = bandPower(samples, 8.0, 12.0);
      for (double v : samples) ASSERT_LT(std::fabs(v), largest);
      if (std::count(loose.begin(), loose.end(), c) != 0) {
        EXPECT_GT(highBand, 20000.0) << "graded bad";
      } else {
        EXPECT_LT(highBand, 150.0) << "graded good";
        EXPECT_GT(alpha, 30.0);
        EXPECT_GT(alpha, 10.0 * highBand);
      }
    }
  }
  EXPECT_NE(eegChannel(simulatedSetSide(true), 0), eegChannel(simulatedSetSide(false), 0))
      << "each half its own";
}

}  // namespace
}  // namespace zav

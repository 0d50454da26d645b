// The built-in devices' EEG: like a cap with loose electrodes, and the same on every call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "signal/signal_decoder.h"
#include "transport/mock_configuration.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<double> listOf(const nlohmann::json& device, std::size_t signal) {
  return device["signals"][signal]["values"].get<std::vector<double>>();
}

// One EEG channel (32 channels, 8 samples a block) out of a block-major list.
std::vector<double> eegChannel(const std::vector<double>& values, std::size_t channel) {
  std::vector<double> samples;
  for (std::size_t first = 0; first + 256 <= values.size(); first += 256) {
    samples.insert(samples.end(), values.begin() + first + channel * 8,
                   values.begin() + first + channel * 8 + 8);
  }
  return samples;
}

// Mean square of the part between two frequencies, by a plain DFT of the whole periodic loop at 256 Hz.
double bandPower(const std::vector<double>& samples, double low, double high) {
  const std::size_t n = samples.size();
  double power = 0.0;
  for (std::size_t k = 1; k < n / 2; ++k) {
    const double frequency = static_cast<double>(k) * 256.0 / static_cast<double>(n);
    if (frequency < low || frequency > high) continue;
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < n; ++i)
      sum += samples[i] * std::polar(1.0, -2.0 * kPi * double(k * i % n) / double(n));
    power += 2.0 * std::norm(sum) / static_cast<double>(n * n);
  }
  return power;
}

TEST(MockDefaultDeviceTest, EegHasAlphaRhythmAndNoisyElectrodesWithinRange) {
  struct Case {
    const char* name;
    nlohmann::json device;
    std::vector<std::size_t> loose;  // 0-based
  };
  const Case cases[] = {{"default", defaultSimulatedDevice(), {7, 23}},
                        {"left", simulatedSetSide(true), {7}},
                        {"right", simulatedSetSide(false), {19}}};
  EXPECT_EQ(defaultSimulatedDevice(), defaultSimulatedDevice()) << "the same data on every call";
  const double largest = 8388607 * makeDecoder("EEG", 3, 1, 1)->resolution(0, 1);
  for (const Case& device : cases) {
    SCOPED_TRACE(device.name);
    const std::vector<double> eeg = listOf(device.device, 0);
    ASSERT_EQ(eeg.size() % 256, 0u);
    EXPECT_GE(eeg.size() / 256, 64u) << "at least two seconds loop";
    for (std::size_t c = 0; c < 32; ++c) {
      SCOPED_TRACE(c);
      const std::vector<double> samples = eegChannel(eeg, c);
      const double highBand = bandPower(samples, 70.0, 90.0);
      const double alpha = bandPower(samples, 8.0, 12.0);
      double sum = 0.0;
      for (double v : samples) sum += std::fabs(v);
      EXPECT_LT(sum / static_cast<double>(samples.size()), 1000.0);
      for (double v : samples) ASSERT_LT(std::fabs(v), largest);
      if (std::find(device.loose.begin(), device.loose.end(), c) != device.loose.end()) {
        EXPECT_GT(highBand, 20000.0) << "graded bad";
      } else {
        EXPECT_LT(highBand, 150.0) << "graded good";
        EXPECT_GT(alpha, 30.0);
        EXPECT_GT(alpha, 10.0 * highBand);
      }
    }
    EXPECT_NE(eegChannel(eeg, 0), eegChannel(eeg, 1)) << "not one waveform copied 32 times";
  }
  EXPECT_NE(listOf(simulatedSetSide(true), 0), listOf(simulatedSetSide(false), 0)) << "each half its own EEG";
}

}  // namespace
}  // namespace zav

// The built-in 32-channel device: its signal list, that its blocks decode to the values it
// was given, and that its EEG looks like a cap with two loose electrodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "signal/signal_decoder.h"
#include "signal/signal_info.h"
#include "transport/mock_configuration.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kEegChannels = 32;
constexpr int kBlockSize = 8;
constexpr int kSampleRate = 256;

std::vector<double> listOf(const nlohmann::json& device, std::size_t signal) {
  return device["signals"][signal]["values"].get<std::vector<double>>();
}

// One channel's samples out of a block-major, channel-major list.
std::vector<double> channelSamples(const std::vector<double>& values, int channels, int blockSize,
                                   int channel) {
  std::vector<double> samples;
  const std::size_t perBlock = static_cast<std::size_t>(channels * blockSize);
  for (std::size_t first = 0; first + perBlock <= values.size(); first += perBlock) {
    for (int s = 0; s < blockSize; ++s) {
      samples.push_back(values[first + static_cast<std::size_t>(channel * blockSize + s)]);
    }
  }
  return samples;
}

// Mean square of the part of the signal between two frequencies, by a plain DFT of the
// whole (periodic) loop.
double bandPower(const std::vector<double>& samples, double low, double high) {
  const std::size_t n = samples.size();
  double power = 0.0;
  for (std::size_t k = 1; k < n / 2; ++k) {
    const double frequency = static_cast<double>(k) * kSampleRate / static_cast<double>(n);
    if (frequency < low || frequency > high) continue;
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      sum +=
          samples[i] * std::polar(1.0, -2.0 * kPi * static_cast<double>(k * i % n) / static_cast<double>(n));
    }
    power += 2.0 * std::norm(sum) / static_cast<double>(n * n);
  }
  return power;
}

double meanAbsolute(const std::vector<double>& samples) {
  double sum = 0.0;
  for (double v : samples) sum += std::fabs(v);
  return sum / static_cast<double>(samples.size());
}

TEST(MockDefaultDeviceTest, PresetReportsTheThirtyTwoChannelAmplifier) {
  MockConnection connection;
  test::setProperty(connection, "preset", "default");
  ASSERT_TRUE(connection.open());
  const std::string text = test::ask(connection, "gc");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\0');
  EXPECT_EQ(text.size(), 6 * kSignalRecordLength + 1);
  const SignalList expected{SignalInfo("EEG", 32, 3, 8, 1),  SignalInfo("ExG_B", 2, 3, 8, 1),
                            SignalInfo("IMU_B", 9, 2, 1, 1), SignalInfo("FOT", 1, 3, 8, 1),
                            SignalInfo("DIN", 3, 1, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};
  EXPECT_EQ(parseSignalList(text), expected);
  EXPECT_EQ(test::ask(connection, "gf"), "32" + std::string(1, '\0'));
}

TEST(MockDefaultDeviceTest, BlocksDecodeToTheGeneratedValues) {
  const nlohmann::json device = defaultSimulatedDevice();
  EXPECT_EQ(device, defaultSimulatedDevice()) << "the same data on every call";
  MockConnection connection;
  test::setProperty(connection, "preset", "default");
  ASSERT_TRUE(connection.open());
  test::send(connection, "s");

  struct Part {
    std::size_t signal;
    const char* type;
    uint32_t bytes, channels, blockSize;
  };
  const Part parts[] = {{0, "EEG", 3, 32, 8},
                        {1, "ExG_B", 3, 2, 8},
                        {2, "IMU_B", 2, 9, 1},
                        {3, "FOT", 3, 1, 8},
                        {4, "DIN", 1, 3, 8}};
  constexpr std::size_t kBlockBytes = 9 + 768 + 48 + 18 + 24 + 24;
  for (int b = 0; b < 2; ++b) {
    const std::vector<uint8_t> block = test::readBlock(connection, kBlockBytes);
    ASSERT_EQ(block.size(), kBlockBytes);
    ASSERT_EQ(block.back(), byteSum(block.data(), block.size() - 1));
    const uint64_t sequence = test::blockSequence(block);
    const uint8_t* payload = block.data() + 8;
    for (const Part& part : parts) {
      const auto decoder = makeDecoder(part.type, part.bytes, part.channels, part.blockSize);
      std::vector<double> decoded(decoder->valuesPerBlock());
      decoder->decode(payload, 1, decoded.data());
      payload += decoder->bytesPerBlock();
      const std::vector<double> values = listOf(device, part.signal);
      for (uint32_t i = 0; i < decoder->valuesPerBlock(); ++i) {
        const uint32_t channel = i / part.blockSize;
        double expected = 0.0;
        if (values.empty()) {
          const double seconds =
              static_cast<double>(sequence * part.blockSize + i % part.blockSize) / (32.0 * part.blockSize);
          expected = std::sin(seconds) * 255.0 * decoder->resolution(channel, 1);
        } else {
          expected = values[(sequence * decoder->valuesPerBlock() + i) % values.size()];
        }
        ASSERT_NEAR(decoded[i], expected, std::fabs(decoder->resolution(channel, 1)) + 1e-9)
            << part.type << " value " << i << " of block " << sequence;
      }
    }
  }
  test::send(connection, "p");
}

TEST(MockDefaultDeviceTest, EegHasAlphaRhythmAndNoisyElectrodesWithinRange) {
  struct Case {
    const char* name;
    nlohmann::json device;
    std::vector<int> loose;  // 0-based
  };
  const Case cases[] = {{"default", defaultSimulatedDevice(), {7, 23}},
                        {"left", simulatedSetSide(true), {7}},
                        {"right", simulatedSetSide(false), {19}}};
  const double largest = 8388607 * makeDecoder("EEG", 3, 1, 1)->resolution(0, 1);
  for (const Case& device : cases) {
    const std::vector<double> eeg = listOf(device.device, 0);
    ASSERT_EQ(eeg.size() % (kEegChannels * kBlockSize), 0u);
    EXPECT_GE(eeg.size() / (kEegChannels * kBlockSize), 64u) << "at least two seconds loop";
    for (int c = 0; c < kEegChannels; ++c) {
      const std::vector<double> samples = channelSamples(eeg, kEegChannels, kBlockSize, c);
      const double highBand = bandPower(samples, 70.0, 90.0);
      const double alpha = bandPower(samples, 8.0, 12.0);
      EXPECT_LT(meanAbsolute(samples), 1000.0) << device.name << " channel " << c;
      for (double v : samples) ASSERT_LT(std::fabs(v), largest) << device.name << " channel " << c;
      if (std::find(device.loose.begin(), device.loose.end(), c) != device.loose.end()) {
        EXPECT_GT(highBand, 20000.0) << device.name << " channel " << c << " is graded bad";
      } else {
        EXPECT_LT(highBand, 150.0) << device.name << " channel " << c << " is graded good";
        EXPECT_GT(alpha, 30.0) << device.name << " channel " << c;
        EXPECT_GT(alpha, 10.0 * highBand) << device.name << " channel " << c;
      }
    }
    // Channels differ from each other: not one waveform copied 32 times.
    EXPECT_NE(channelSamples(eeg, kEegChannels, kBlockSize, 0), channelSamples(eeg, kEegChannels, kBlockSize, 1));
  }
  EXPECT_NE(listOf(simulatedSetSide(true), 0), listOf(simulatedSetSide(false), 0)) << "each half its own EEG";
}

}  // namespace
}  // namespace zav

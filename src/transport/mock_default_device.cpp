// The built-in simulated amplifier. Its waveforms loop every few seconds and are made by a
// fixed-seed generator, so every run streams the same data.
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "transport/mock_configuration.h"

namespace zav {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSampleRate = 256;
constexpr int kBlockSize = 8;
constexpr int kBlocksPerSecond = kSampleRate / kBlockSize;
// Four seconds: every frequency below is a multiple of 0.25 Hz, so the loop is seamless.
constexpr int kLoopBlocks = 128;
constexpr int kEegChannels = 32;
constexpr uint64_t kDefaultSeed = 0x5EEDE5EEDULL;
// Loose electrodes pick up strong high-frequency noise, which the contact check flags
// (0-based channels).
const std::vector<int> kDefaultLooseChannels = {7, 23};
const std::vector<int> kLeftLooseChannels = {7};
const std::vector<int> kRightLooseChannels = {19};
// The set's marker generator and the waveform both halves share on their last EEG channel.
constexpr double kSetMarkerSeconds = 2.0;
constexpr double kSharedWaveHz = 0.5;
constexpr double kSharedWaveMicrovolts = 50.0;
// Nearly full by the library's battery thresholds (the full level starts at 3805 mV); an
// hour of streaming costs about 180 mV.
constexpr int kBatteryMillivolts = 3830;
constexpr double kBatteryDrainPerMinute = 3.0;

using Waveforms = std::vector<std::vector<double>>;  // [channel][sample]

// xorshift64* with Box-Muller: small, and the same on every platform and compiler.
class NoiseSource {
 public:
  explicit NoiseSource(uint64_t seed) : state_(seed) {}

  double uniform() {  // in (0, 1]
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t bits = (state_ * 0x2545F4914F6CDD1DULL) >> 11;
    return (static_cast<double>(bits) + 1.0) / 9007199254740992.0;
  }

  double gaussian() { return std::sqrt(-2.0 * std::log(uniform())) * std::cos(2.0 * kPi * uniform()); }
  double phase() { return 2.0 * kPi * uniform(); }

 private:
  uint64_t state_;
};

double sine(double frequency, double seconds, double phase) {
  return std::sin(2.0 * kPi * frequency * seconds + phase);
}

double rootMeanSquare(const std::vector<double>& samples) {
  double sum = 0.0;
  for (double v : samples) sum += v * v;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

// 1/f-like noise of the given RMS (Kellet's three-pole approximation of pink noise).
std::vector<double> pinkNoise(NoiseSource& noise, std::size_t count, double rms) {
  std::vector<double> samples(count);
  double b0 = 0.0, b1 = 0.0, b2 = 0.0;
  for (double& sample : samples) {
    const double white = noise.gaussian();
    b0 = 0.99765 * b0 + white * 0.0990460;
    b1 = 0.96300 * b1 + white * 0.2965164;
    b2 = 0.57000 * b2 + white * 1.0526913;
    sample = b0 + b1 + b2 + white * 0.1848;
  }
  const double scale = rms / rootMeanSquare(samples);
  for (double& sample : samples) sample *= scale;
  return samples;
}

bool isLoose(const std::vector<int>& looseChannels, int channel) {
  for (int loose : looseChannels) {
    if (loose == channel) return true;
  }
  return false;
}

// Microvolts: alpha rhythm waxing and waning, pink and white noise, a little mains hum,
// blinks on the two frontal channels, and strong 74-86 Hz noise on the loose channels.
Waveforms syntheticEeg(int samplesPerChannel, uint64_t seed, const std::vector<int>& looseChannels) {
  NoiseSource noise(seed);
  const double humPhase = noise.phase();
  Waveforms eeg(kEegChannels);
  for (int c = 0; c < kEegChannels; ++c) {
    const double alphaAmplitude = 12.0 + 14.0 * (0.5 + 0.5 * std::sin(1.3 * c + 0.4));
    const double alphaPhase = noise.phase();
    const double envelopePhase = noise.phase();
    const double humGain = 0.8 + 0.4 * noise.uniform();
    const std::vector<double> pink = pinkNoise(noise, static_cast<std::size_t>(samplesPerChannel), 4.0);
    double looseFrequencies[5] = {74.0, 77.0, 80.0, 83.0, 86.0};
    double loosePhases[5];
    for (double& phase : loosePhases) phase = noise.phase();

    std::vector<double>& samples = eeg[static_cast<std::size_t>(c)];
    samples.resize(static_cast<std::size_t>(samplesPerChannel));
    for (int n = 0; n < samplesPerChannel; ++n) {
      const double t = static_cast<double>(n) / kSampleRate;
      const double envelope = 0.75 + 0.25 * sine(0.5, t, envelopePhase);
      double v = alphaAmplitude * envelope * sine(10.0, t, alphaPhase);
      v += pink[static_cast<std::size_t>(n)] + 3.0 * noise.gaussian();
      v += 2.0 * humGain * sine(50.0, t, humPhase);
      if (c < 2) v += 70.0 * std::exp(-0.5 * std::pow((t - 1.2) / 0.08, 2.0));
      if (isLoose(looseChannels, c)) {
        for (int k = 0; k < 5; ++k) v += 110.0 * sine(looseFrequencies[k], t, loosePhases[k]);
      }
      samples[static_cast<std::size_t>(n)] = v;
    }
  }
  return eeg;
}

// The order of a signal's "values" list: block by block, channel-major inside a block.
std::vector<double> blockMajor(const Waveforms& channels, int blockSize) {
  const std::size_t samples = channels.front().size();
  std::vector<double> values;
  values.reserve(samples * channels.size());
  for (std::size_t first = 0; first < samples; first += static_cast<std::size_t>(blockSize)) {
    for (const std::vector<double>& channel : channels) {
      for (int s = 0; s < blockSize; ++s) {
        // Rounded to what the 24-bit encoders can resolve anyway; keeps the document small.
        values.push_back(std::round(channel[first + static_cast<std::size_t>(s)] * 1000.0) / 1000.0);
      }
    }
  }
  return values;
}

// One waveform per channel: each a function of the time in seconds.
template <typename Wave>
Waveforms sampled(int channels, int samplesPerChannel, int sampleRate, Wave wave) {
  Waveforms result(static_cast<std::size_t>(channels),
                   std::vector<double>(static_cast<std::size_t>(samplesPerChannel)));
  for (int c = 0; c < channels; ++c) {
    for (int n = 0; n < samplesPerChannel; ++n) {
      result[static_cast<std::size_t>(c)][static_cast<std::size_t>(n)] =
          wave(c, static_cast<double>(n) / sampleRate);
    }
  }
  return result;
}

nlohmann::json entry(const char* type, int channels, int bytes, int blockSize, int sampleRate,
                     std::vector<double> values) {
  return {{"type", type},
          {"channels", channels},
          {"bytes", bytes},
          {"blockSize", blockSize},
          {"mode", 1},
          {"sr", sampleRate},
          {"values", std::move(values)}};
}

nlohmann::json simulatedDevice(uint64_t seed, const std::vector<int>& looseChannels) {
  constexpr int loopSamples = kLoopBlocks * kBlockSize;

  const Waveforms exg = sampled(2, loopSamples, kSampleRate, [](int c, double t) {
    return c == 0 ? 50.0 * sine(1.25, t, 0.0) : 30.0 * sine(2.5, t, 1.0);
  });
  // Inertial unit at rest, slightly swaying: m/s^2, degrees per second, microtesla.
  const Waveforms imu = sampled(9, kLoopBlocks, kBlocksPerSecond, [](int c, double t) {
    const double base[9] = {0.0, 0.0, 9.81, 0.0, 0.0, 0.0, 22.0, -4.0, 41.0};
    const double swing[9] = {0.3, 0.2, 0.05, 2.0, 1.5, 0.5, 0.5, 0.5, 0.3};
    const double frequency[3] = {0.5, 0.25, 1.0};
    return base[c] + swing[c] * sine(frequency[c % 3], t, c);
  });
  // A marker on the first digital line for one block in every loop.
  const Waveforms din = sampled(3, loopSamples, kSampleRate, [](int c, double t) {
    return c == 0 && t >= 2.0 && t < 2.0 + static_cast<double>(kBlockSize) / kSampleRate ? 1.0 : 0.0;
  });

  nlohmann::json signals = nlohmann::json::array();
  signals.push_back(entry("EEG", kEegChannels, 3, kBlockSize, kSampleRate,
                          blockMajor(syntheticEeg(loopSamples, seed, looseChannels), kBlockSize)));
  signals.push_back(entry("ExG_B", 2, 3, kBlockSize, kSampleRate, blockMajor(exg, kBlockSize)));
  signals.push_back(entry("IMU_B", 9, 2, 1, kBlocksPerSecond, blockMajor(imu, 1)));
  // An empty list: the photodiode gets the device's own slow sine.
  signals.push_back(entry("FOT", 1, 3, kBlockSize, kSampleRate, {}));
  signals.push_back(entry("DIN", 3, 1, kBlockSize, kSampleRate, blockMajor(din, kBlockSize)));
  nlohmann::json sdCard = entry("uSD", 0, 0, 1, kBlocksPerSecond, {});
  sdCard["mode"] = 0;
  signals.push_back(std::move(sdCard));
  return {{"signals", std::move(signals)},
          {"battery", {{"millivolts", kBatteryMillivolts}, {"drainPerMinute", kBatteryDrainPerMinute}}}};
}

}  // namespace

nlohmann::json defaultSimulatedDevice() { return simulatedDevice(kDefaultSeed, kDefaultLooseChannels); }

nlohmann::json simulatedSetSide(bool left) {
  // Each half has its own brain signals, so each gets its own seed.
  nlohmann::json device = left ? simulatedDevice(kDefaultSeed + 1, kLeftLooseChannels)
                               : simulatedDevice(kDefaultSeed + 2, kRightLooseChannels);
  device["markers"] = {{"every", kSetMarkerSeconds}};
  device["referenceWave"] = {
      {"channel", kEegChannels}, {"frequency", kSharedWaveHz}, {"amplitude", kSharedWaveMicrovolts}};
  return device;
}

}  // namespace zav

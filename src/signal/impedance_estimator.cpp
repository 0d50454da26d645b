#include "signal/impedance_estimator.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "signal/amplitude_stage.h"
#include "signal/band_power_stage.h"
#include "signal/evaluation_window.h"
#include "signal/impedance_grade.h"

namespace zav {

namespace {

// What a real amplifier can need, with room to spare. The sizes come from a device's
// answers or a record's header, so anything beyond them is not measured rather than
// allowed to claim gigabytes.
constexpr uint64_t kMostSampleRate = 100000;  // samples per second per channel
constexpr uint64_t kMostChannels = 512;
constexpr uint64_t kMostBlockValues = uint64_t{1} << 16;    // channels x blockSize
constexpr uint64_t kMostWindowEntries = uint64_t{1} << 21;  // channels x blocks per window

bool withinBounds(uint64_t windowSeconds, uint64_t channels, uint64_t blockSize, uint64_t sampleRate) {
  if (channels == 0 || channels > kMostChannels || blockSize == 0 || sampleRate > kMostSampleRate) return false;
  if (blockSize > kMostBlockValues / channels) return false;
  if (windowSeconds == 0 || windowSeconds > UINT64_MAX / kMostSampleRate) return false;
  const uint64_t blocks = EvaluationWindow::ringBlocks(windowSeconds * sampleRate, blockSize);
  return blocks <= kMostWindowEntries / channels;
}

}  // namespace

ImpedanceEstimator::ImpedanceEstimator(uint64_t windowSeconds, uint64_t updateSeconds)
    : windowSeconds_(windowSeconds), updateSeconds_(updateSeconds) {}

ImpedanceEstimator::~ImpedanceEstimator() = default;

void ImpedanceEstimator::configure(uint64_t channels, uint64_t blockSize, uint64_t sampleRate, uint32_t sensor) {
  usable_ = false;  // until the new stages stand
  channels_ = channels;
  blockSize_ = blockSize;
  sampleRate_ = sampleRate;
  const ImpedanceLimits limits = impedanceLimits(sensor, channels);
  goodLimit_ = limits.good;
  fairLimit_ = limits.fair;
  saturationLimit_ = limits.saturation;
  bandLow_ = 70.0;
  bandHigh_ = 90.0;

  // At or below twice the upper band edge the band reaches half the sampling rate and no
  // filter exists; such a signal, like an empty one, is not graded at all.
  const bool measurable = static_cast<double>(sampleRate) > 2.0 * bandHigh_ &&
                          withinBounds(windowSeconds_, channels, blockSize, sampleRate);
  if (measurable) {
    try {
      const uint64_t blocksPerSecond = sampleRate / blockSize;
      const uint64_t windowLength = windowSeconds_ * sampleRate;
      const uint64_t interval = updateSeconds_ * blocksPerSecond;
      powerStage_ = std::make_unique<BandPowerStage>(channels, windowLength, interval, sampleRate, blockSize,
                                                     bandLow_, bandHigh_);
      amplitudeStage_ = std::make_unique<AmplitudeStage>(channels, windowLength, interval, blockSize);
      block_.assign(channels * blockSize, 0.0);
      power_.resize(channels, 0.0);
      amplitude_.resize(channels, 0.0);
      status_.resize(channels, kImpedanceSaturated);
      usable_ = powerStage_->ready();
    } catch (const std::bad_alloc&) {
      usable_ = false;
    }
  }
  if (!usable_) {
    // No grades at all: every channel reads unknown, and a later measurable signal starts
    // all of them at saturated like new ones.
    powerStage_.reset();
    amplitudeStage_.reset();
    block_.clear();
    power_.clear();
    amplitude_.clear();
    status_.clear();
  }
}

void ImpedanceEstimator::process(const double* values, bool transpose) {
  if (!usable_ || values == nullptr) return;
  if (transpose) {
    for (uint64_t c = 0; c < channels_; ++c) {
      for (uint64_t s = 0; s < blockSize_; ++s) block_[s * channels_ + c] = values[c * blockSize_ + s];
    }
  } else {
    std::copy(values, values + block_.size(), block_.begin());
  }
  // Both stages always evaluate on the same block: they share window, interval and input.
  const bool powered = powerStage_->step(block_.data(), power_);
  const bool measured = amplitudeStage_->step(block_.data(), amplitude_);
  if (!powered || !measured) return;
  const ImpedanceLimits limits{goodLimit_, fairLimit_, saturationLimit_};
  for (uint64_t c = 0; c < channels_; ++c) status_[c] = gradeImpedance(power_[c], amplitude_[c], limits, status_[c]);
}

int32_t ImpedanceEstimator::status(uint64_t channel) const {
  return channel < status_.size() ? status_[channel] : int32_t{kImpedanceUnknown};
}

double ImpedanceEstimator::power(uint64_t channel) const {
  return channel < power_.size() ? power_[channel] : 0.0;
}

double ImpedanceEstimator::amplitude(uint64_t channel) const {
  return channel < amplitude_.size() ? amplitude_[channel] : 0.0;
}

}  // namespace zav

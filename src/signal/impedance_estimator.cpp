#include "signal/impedance_estimator.h"

#include <algorithm>
#include <limits>

#include "signal/amplitude_stage.h"
#include "signal/band_power_stage.h"
#include "signal/impedance_grade.h"

namespace zav {

namespace {

// The ring of one stage holds channels x windowSeconds x sampleRate values; a product that
// does not fit a size is no window at all.
bool windowFits(uint64_t windowSeconds, uint64_t sampleRate, uint64_t channels) {
  const uint64_t most = std::numeric_limits<std::size_t>::max() / sizeof(double);
  return windowSeconds <= most / sampleRate && windowSeconds * sampleRate <= most / channels;
}

}  // namespace

ImpedanceEstimator::ImpedanceEstimator(uint64_t windowSeconds, uint64_t updateSeconds)
    : windowSeconds_(windowSeconds), updateSeconds_(updateSeconds) {}

ImpedanceEstimator::~ImpedanceEstimator() = default;

void ImpedanceEstimator::configure(uint64_t channels, uint64_t blockSize, uint64_t sampleRate,
                                   const std::string& /*label*/, uint32_t sensor) {
  channels_ = channels;
  blockSize_ = blockSize;
  sampleRate_ = sampleRate;
  const ImpedanceLimits limits = impedanceLimits(sensor, channels);
  goodLimit_ = limits.good;
  fairLimit_ = limits.fair;
  saturationLimit_ = limits.saturation;
  bandLow_ = 70.0;
  bandHigh_ = 90.0;

  std::unique_ptr<BandPowerStage> powerStage;
  std::unique_ptr<AmplitudeStage> amplitudeStage;
  // At or below twice the upper band edge the band reaches half the sampling rate and no
  // filter exists; such a signal, like an empty one, is not graded at all.
  const bool measurable = channels > 0 && blockSize > 0 && windowSeconds_ > 0 &&
                          static_cast<double>(sampleRate) > 2.0 * bandHigh_ &&
                          windowFits(windowSeconds_, sampleRate, channels);
  if (measurable) {
    const uint64_t blocksPerSecond = sampleRate / blockSize;
    const uint64_t windowLength = windowSeconds_ * sampleRate;
    const uint64_t interval = updateSeconds_ * blocksPerSecond;
    powerStage = std::make_unique<BandPowerStage>(channels, windowLength, interval, sampleRate, blockSize,
                                                  bandLow_, bandHigh_);
    amplitudeStage = std::make_unique<AmplitudeStage>(channels, windowLength, interval, blockSize);
  }
  usable_ = powerStage != nullptr && powerStage->ready();
  if (!usable_) {
    powerStage_.reset();
    amplitudeStage_.reset();
    block_.clear();
    power_.assign(channels, 0.0);
    amplitude_.assign(channels, 0.0);
    status_.assign(channels, kImpedanceUnknown);
    return;
  }

  block_.assign(channels * blockSize, 0.0);
  powerStage_ = std::move(powerStage);
  amplitudeStage_ = std::move(amplitudeStage);
  power_.resize(channels, 0.0);
  amplitude_.resize(channels, 0.0);
  status_.resize(channels, kImpedanceSaturated);
  // Channels that a signal without grades left unknown wait for their first window too.
  std::replace(status_.begin(), status_.end(), int32_t{kImpedanceUnknown}, int32_t{kImpedanceSaturated});
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

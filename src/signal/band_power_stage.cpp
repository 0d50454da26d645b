#include "signal/band_power_stage.h"

namespace zav {

namespace {
constexpr int32_t kBandOrder = 4;
}

BandPowerStage::BandPowerStage(uint64_t channels, uint64_t windowLength, uint64_t interval, uint64_t sampleRate,
                               uint64_t blockSize, double bandLow, double bandHigh)
    : blockSize_(blockSize),
      window_(channels, windowLength, interval, blockSize),
      filter_(channels, blockSize, sampleRate),
      filtered_(channels * blockSize, 0.0) {
  filter_.design(kBandpass, kBandOrder, bandLow, bandHigh);
}

bool BandPowerStage::step(const double* block, std::vector<double>& power) {
  filter_.apply(block, filtered_.data());
  if (!window_.add(filtered_.data(), blockSize_, [](double value) { return value * value; })) return false;
  window_.means(power);
  return true;
}

}  // namespace zav

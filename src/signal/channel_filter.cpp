#include "signal/channel_filter.h"

#include <cmath>

namespace zav {

ChannelFilter::ChannelFilter(uint64_t channels, uint64_t blockSize, uint64_t sampleRate)
    : channels_(channels),
      blockSize_(blockSize),
      sampleRate_(sampleRate),
      xCoeffs_(kCoefficientCapacity, 0.0),
      yCoeffs_(kCoefficientCapacity, 0.0) {}

bool ChannelFilter::design(int32_t type, int32_t order, double f1, double f2) {
  numZeros_ = 0;
  numPoles_ = 0;
  xHistory_.clear();
  yHistory_.clear();
  const double rate = static_cast<double>(sampleRate_);
  if (!designFilter(kButterworth, type, order, f1 / rate, f2 / rate, -1.0, numZeros_, xCoeffs_, numPoles_,
                    yCoeffs_, gain_)) {
    return false;
  }
  xHistory_.assign(channels_ * (static_cast<std::size_t>(numZeros_) + 1), 0.0);
  yHistory_.assign(channels_ * (static_cast<std::size_t>(numPoles_) + 1), 0.0);
  return true;
}

void ChannelFilter::apply(const double* in, double* out) {
  if (numZeros_ == 0 || in == nullptr || out == nullptr) return;
  const std::size_t zeros = static_cast<std::size_t>(numZeros_);
  const std::size_t poles = static_cast<std::size_t>(numPoles_);
  const double* xCoeffs = xCoeffs_.data();
  const double* yCoeffs = yCoeffs_.data();
  // Channels are independent; running them side by side for each sample lets their
  // recurrences overlap in the processor instead of waiting on one another.
  for (uint64_t s = 0; s < blockSize_; ++s) {
    for (uint64_t c = 0; c < channels_; ++c) {
      double* x = xHistory_.data() + c * (zeros + 1);
      double* y = yHistory_.data() + c * (poles + 1);
      const uint64_t at = s * channels_ + c;
      for (std::size_t i = 0; i < zeros; ++i) x[i] = x[i + 1];
      const double value = in[at];
      if (std::isnan(value)) {
        out[at] = value;
        continue;
      }
      x[zeros] = value / gain_;
      for (std::size_t i = 0; i < poles; ++i) y[i] = y[i + 1];
      double sum = 0.0;
      for (std::size_t i = 0; i <= zeros; ++i) sum += xCoeffs[i] * x[i];
      for (std::size_t i = 0; i < poles; ++i) sum += yCoeffs[i] * y[i];
      y[poles] = sum;
      out[at] = sum;
    }
  }
}

}  // namespace zav

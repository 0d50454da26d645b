// One designed IIR filter run over every channel of a block, each channel with its own
// history, so that consecutive blocks filter as one continuous signal per channel.
//
//     ChannelFilter filter(32, 8, 256);            // channels, blockSize, sampleRate
//     if (filter.design(kBandpass, 4, 70.0, 90.0)) {
//       filter.apply(block, filtered);             // sample-major: [s * channels + c]
//     }
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "signal/filter_designer.h"

namespace zav {

class ChannelFilter {
 public:
  // Coefficients one filter holds: enough for a bandpass or bandstop of order 31.
  static constexpr std::size_t kCoefficientCapacity = 64;

  // An empty filter, which leaves blocks alone until designed.
  ChannelFilter(uint64_t channels, uint64_t blockSize, uint64_t sampleRate);

  // Butterworth design of the type and order with corners f1 and f2 in Hz; the histories
  // start at zero. False (after the designer's line on standard error) when the design is
  // impossible; the filter is then empty.
  bool design(int32_t type, int32_t order, double f1, double f2);

  // Filters channels x blockSize sample-major values; out may be in. A NaN sample is passed
  // through and leaves the channel's output history as it was.
  void apply(const double* in, double* out);

  bool designed() const { return numZeros_ > 0; }
  int32_t numZeros() const { return numZeros_; }
  int32_t numPoles() const { return numPoles_; }
  const std::vector<double>& xCoeffs() const { return xCoeffs_; }
  const std::vector<double>& yCoeffs() const { return yCoeffs_; }
  double gain() const { return gain_; }

 private:
  uint64_t channels_;
  uint64_t blockSize_;
  uint64_t sampleRate_;
  int32_t numZeros_ = 0;
  int32_t numPoles_ = 0;
  std::vector<double> xCoeffs_;
  std::vector<double> yCoeffs_;
  double gain_ = 1.0;
  // channels x (numZeros + 1) and channels x (numPoles + 1), oldest value first per channel.
  std::vector<double> xHistory_;
  std::vector<double> yHistory_;
};

}  // namespace zav

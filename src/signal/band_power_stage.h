// Mean power of each channel in a frequency band over a sliding window: the block is
// band-passed (4th-order Butterworth) and the squares of the filtered values averaged.
#pragma once

#include <cstdint>
#include <vector>

#include "signal/channel_filter.h"
#include "signal/evaluation_window.h"

namespace zav {

class BandPowerStage {
 public:
  BandPowerStage(uint64_t channels, uint64_t windowLength, uint64_t interval, uint64_t sampleRate,
                 uint64_t blockSize, double bandLow, double bandHigh);

  // False when the band cannot be designed at this sampling rate; step must not be called then.
  bool ready() const { return filter_.designed(); }

  // Takes one sample-major block; when an evaluation is due writes each channel's band power
  // into power[0 .. channels) and returns true.
  bool step(const double* block, std::vector<double>& power);

 private:
  uint64_t blockSize_;
  EvaluationWindow window_;
  ChannelFilter filter_;
  std::vector<double> filtered_;
};

}  // namespace zav

// Mean absolute value of each channel's raw samples over a sliding window.
#pragma once

#include <cstdint>
#include <vector>

#include "signal/evaluation_window.h"

namespace zav {

class AmplitudeStage {
 public:
  AmplitudeStage(uint64_t channels, uint64_t windowLength, uint64_t interval, uint64_t blockSize);

  // Takes one sample-major block; when an evaluation is due writes each channel's mean
  // absolute amplitude into amplitude[0 .. channels) and returns true.
  bool step(const double* block, std::vector<double>& amplitude);

 private:
  uint64_t blockSize_;
  EvaluationWindow window_;
};

}  // namespace zav

#include "signal/evaluation_window.h"

#include <algorithm>

namespace zav {

EvaluationWindow::EvaluationWindow(uint64_t channels, uint64_t windowLength, uint64_t interval)
    : channels_(channels), windowLength_(windowLength), interval_(interval), ring_(channels * windowLength, 0.0) {}

bool EvaluationWindow::due() {
  ++evaluationCounter_;
  if (!full_ || evaluationCounter_ <= interval_) return false;
  evaluationCounter_ = 0;
  return true;
}

void EvaluationWindow::means(std::vector<double>& means) const {
  std::fill(means.begin(), means.begin() + static_cast<std::ptrdiff_t>(channels_), 0.0);
  for (uint64_t row = 0; row < windowLength_; ++row) {
    const double* values = ring_.data() + row * channels_;
    for (uint64_t c = 0; c < channels_; ++c) means[c] += values[c];
  }
  const double length = static_cast<double>(windowLength_);
  for (uint64_t c = 0; c < channels_; ++c) means[c] /= length;
}

}  // namespace zav

#include "signal/evaluation_window.h"

#include <algorithm>

namespace zav {

uint64_t EvaluationWindow::ringBlocks(uint64_t windowLength, uint64_t blockSize) {
  if (windowLength == 0 || blockSize == 0) return 0;
  return windowLength / blockSize + (windowLength % blockSize != 0 ? 1 : 0);
}

EvaluationWindow::EvaluationWindow(uint64_t channels, uint64_t windowLength, uint64_t interval, uint64_t blockSize)
    : channels_(channels),
      windowLength_(windowLength),
      interval_(interval),
      tailLength_(blockSize != 0 ? windowLength % blockSize : 0),
      ringBlocks_(ringBlocks(windowLength, blockSize)) {
  if (channels_ == 0 || ringBlocks_ == 0) return;
  sums_.assign(ringBlocks_ * channels_, 0.0);
  if (tailLength_ != 0) tails_.assign(ringBlocks_ * channels_, 0.0);
}

bool EvaluationWindow::due() {
  ++evaluationCounter_;
  if (blocksHeld_ < ringBlocks_ || evaluationCounter_ <= interval_) return false;
  evaluationCounter_ = 0;
  return true;
}

void EvaluationWindow::means(std::vector<double>& means) const {
  std::fill(means.begin(), means.begin() + static_cast<std::ptrdiff_t>(channels_), 0.0);
  // With a tail, the oldest block held (the next slot) adds only its last samples.
  const uint64_t wholeFrom = tails_.empty() ? 0 : 1;
  if (!tails_.empty()) {
    const double* tails = tails_.data() + next_ * channels_;
    for (uint64_t c = 0; c < channels_; ++c) means[c] += tails[c];
  }
  for (uint64_t k = wholeFrom; k < ringBlocks_; ++k) {
    const double* sums = sums_.data() + ((next_ + k) % ringBlocks_) * channels_;
    for (uint64_t c = 0; c < channels_; ++c) means[c] += sums[c];
  }
  const double length = static_cast<double>(windowLength_);
  for (uint64_t c = 0; c < channels_; ++c) means[c] /= length;
}

}  // namespace zav

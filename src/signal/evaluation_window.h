// The last windowLength values of every channel, fed block by block, that tells its stage
// when to evaluate: once a whole window has arrived, on the block after more than
// `interval` blocks have passed since the last evaluation.
//
// Only per-block sums are kept (one per channel per block, plus the sum of each block's
// last windowLength mod blockSize samples when the window is not a whole number of
// blocks), so a 10-second window of a fast amplifier costs a few megabytes, not tens,
// and the window sum is still exact: the newest whole blocks and the tail of the one
// before them.
#pragma once

#include <cstdint>
#include <vector>

namespace zav {

class EvaluationWindow {
 public:
  EvaluationWindow(uint64_t channels, uint64_t windowLength, uint64_t interval, uint64_t blockSize);

  // The number of per-block sums a window of this shape keeps (per channel and kind).
  static uint64_t ringBlocks(uint64_t windowLength, uint64_t blockSize);

  // Adds channels x blockSize sample-major values, each as feature(value), and counts the
  // block. True when the stage should evaluate now.
  template <typename Feature>
  bool add(const double* block, uint64_t blockSize, Feature feature) {
    if (sums_.empty()) return false;
    double* sums = sums_.data() + next_ * channels_;
    double* tails = tails_.empty() ? nullptr : tails_.data() + next_ * channels_;
    const uint64_t tailStart = blockSize - tailLength_;
    for (uint64_t c = 0; c < channels_; ++c) sums[c] = 0.0;
    if (tails != nullptr) {
      for (uint64_t c = 0; c < channels_; ++c) tails[c] = 0.0;
    }
    for (uint64_t s = 0; s < blockSize; ++s) {
      const double* row = block + s * channels_;
      for (uint64_t c = 0; c < channels_; ++c) {
        const double value = feature(row[c]);
        sums[c] += value;
        if (tails != nullptr && s >= tailStart) tails[c] += value;
      }
    }
    if (++next_ == ringBlocks_) next_ = 0;
    if (blocksHeld_ < ringBlocks_) ++blocksHeld_;
    return due();
  }

  // Mean of each channel's last windowLength values into means[0 .. channels).
  void means(std::vector<double>& means) const;

 private:
  bool due();

  uint64_t channels_;
  uint64_t windowLength_;
  uint64_t interval_;
  uint64_t tailLength_;  // windowLength mod blockSize
  uint64_t ringBlocks_;
  uint64_t next_ = 0;  // slot of the next block, which is the oldest once the ring is full
  uint64_t blocksHeld_ = 0;
  uint64_t evaluationCounter_ = 0;
  // ringBlocks x channels, block-major.
  std::vector<double> sums_;
  std::vector<double> tails_;
};

}  // namespace zav

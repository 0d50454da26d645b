// The last windowLength values of every channel in a ring, fed block by block, that tells
// its stage when to evaluate: once the ring is full, on the block after more than
// `interval` blocks have passed since the last evaluation.
#pragma once

#include <cstdint>
#include <vector>

namespace zav {

class EvaluationWindow {
 public:
  EvaluationWindow(uint64_t channels, uint64_t windowLength, uint64_t interval);

  // Stores channels x blockSize sample-major values, each as feature(value), and counts
  // the block. True when the stage should evaluate now.
  template <typename Feature>
  bool add(const double* block, uint64_t blockSize, Feature feature) {
    if (ring_.empty()) return false;
    const uint64_t count = channels_ * blockSize;
    for (uint64_t i = 0; i < count; ++i) {
      ring_[writeIndex_] = feature(block[i]);
      if (++writeIndex_ == ring_.size()) {
        full_ = true;
        writeIndex_ = 0;
      }
    }
    return due();
  }

  // Mean of each channel's stored values into means[0 .. channels).
  void means(std::vector<double>& means) const;

 private:
  bool due();

  uint64_t channels_;
  uint64_t windowLength_;
  uint64_t interval_;
  uint64_t writeIndex_ = 0;
  uint64_t evaluationCounter_ = 0;
  // channels x windowLength: entry k belongs to channel k mod channels.
  std::vector<double> ring_;
  bool full_ = false;
};

}  // namespace zav

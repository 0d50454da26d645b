#include "signal/amplitude_stage.h"

#include <cmath>

namespace zav {

AmplitudeStage::AmplitudeStage(uint64_t channels, uint64_t windowLength, uint64_t interval, uint64_t blockSize)
    : blockSize_(blockSize), window_(channels, windowLength, interval, blockSize) {}

bool AmplitudeStage::step(const double* block, std::vector<double>& amplitude) {
  if (!window_.add(block, blockSize_, [](double value) { return std::fabs(value); })) return false;
  window_.means(amplitude);
  return true;
}

}  // namespace zav

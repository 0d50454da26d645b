#include "driver/clock_offset.h"

#include <algorithm>

namespace zav {

namespace {

constexpr int kAttempts = 300;
constexpr uint32_t kMinimumSamples = 100;
constexpr int64_t kTolerance = 1000;

}  // namespace

ClockOffset estimateClockOffset(const std::function<SynchronizationSample()>& nextSample) {
  // Bounds and sums in 64 bits: the 32-bit differences of device and host clocks cannot
  // overflow them, and the stored results fit 32 bits.
  uint64_t roundTripSum = 0;
  uint32_t kept = 0;
  int64_t lower = INT32_MIN;
  int64_t upper = INT32_MAX;
  int64_t estimate = 0;
  int64_t previous = 0;
  ClockOffset result;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const SynchronizationSample s = nextSample();
    if (!(s.t0 < s.t3 && s.t1 < s.t2)) continue;
    ++kept;
    lower = std::max<int64_t>(lower, static_cast<int32_t>(s.t2 - s.t3));
    upper = std::min<int64_t>(upper, static_cast<int32_t>(s.t1 - s.t0));
    roundTripSum += s.t3 - s.t0;
    estimate = (lower + upper) / 2;
    if (kept > kMinimumSamples && estimate - previous < kTolerance && previous - estimate < kTolerance) {
      result.converged = true;
      break;
    }
    previous = estimate;
  }
  result.offset = kept > 0 ? static_cast<int32_t>(std::clamp<int64_t>(estimate, INT32_MIN, INT32_MAX)) : 0;
  result.roundTrip = kept > 0 ? static_cast<uint32_t>(roundTripSum / kept) : 0;
  return result;
}

}  // namespace zav

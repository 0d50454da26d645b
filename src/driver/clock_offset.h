// The offset between a device clock and the host clock, from repeated exchanges: each
// sample bounds the offset from below (t2 - t3) and above (t1 - t0); the estimate is the
// middle of the tightest bounds, accepted once more than 100 samples were kept and it
// moved less than 1000 microseconds since the previous one. At most 300 samples are
// taken; those whose times do not run forward are skipped.
//
//     ClockOffset result = estimateClockOffset([&] { return driver.synchronizationSample(); });
//     if (result.converged) use(result.offset);
#pragma once

#include <cstdint>
#include <functional>

#include "driver/base_driver.h"

namespace zav {

struct ClockOffset {
  bool converged = false;
  uint32_t roundTrip = 0;  // mean t3 - t0 of the kept samples, 0 when none was kept
  int32_t offset = 0;      // device minus host, microseconds; the last estimate, 0 when none
};

// Works for any one device: a set estimates each of its devices on its own.
ClockOffset estimateClockOffset(const std::function<SynchronizationSample()>& nextSample);

}  // namespace zav

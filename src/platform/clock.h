// Host clocks: wall time for the device calendar clock and clock synchronization.
#pragma once

#include <cstdint>

#include "driver/commands.h"

namespace zav::platform {

// System time as a count of 100-nanosecond ticks since 1970-01-01 UTC.
int64_t systemTime100ns();
// Local calendar time of a system time.
CalendarTime localCalendarTime(int64_t ticks100ns);

}  // namespace zav::platform

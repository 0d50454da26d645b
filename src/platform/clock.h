// Host clocks: wall time for the device calendar clock and clock synchronization.
#pragma once

#include <cstdint>

namespace zav {

// A calendar time as the device clock command carries it (month 1-12, day 1-31).
struct CalendarTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

namespace platform {

// System time as a count of 100-nanosecond ticks since 1970-01-01 UTC.
int64_t systemTime100ns();
// Local calendar time of a system time.
CalendarTime localCalendarTime(int64_t ticks100ns);

}  // namespace platform
}  // namespace zav

// Host wall clock on POSIX systems.
#include <time.h>

#include "platform/calendar_fields.h"
#include "platform/clock.h"

namespace zav::platform {

int64_t systemTime100ns() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * kTicksPerSecond + static_cast<int64_t>(now.tv_nsec) / 100;
}

CalendarTime localCalendarTime(int64_t ticks100ns) {
  const time_t when = static_cast<time_t>(wholeSeconds(ticks100ns));
  tm local{};
  if (localtime_r(&when, &local) == nullptr) return CalendarTime{};
  return calendarFields(local);
}

}  // namespace zav::platform

// Shared by the clock backends: whole seconds of a tick count and the calendar fields of
// a broken-down time.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/clock.h"

namespace zav::platform {

constexpr int64_t kTicksPerSecond = 10000000;

// Floor division, so that times before 1970 land on the right second.
inline int64_t wholeSeconds(int64_t ticks100ns) {
  int64_t seconds = ticks100ns / kTicksPerSecond;
  if (ticks100ns % kTicksPerSecond < 0) --seconds;
  return seconds;
}

inline CalendarTime calendarFields(const std::tm& local) {
  CalendarTime time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  return time;
}

}  // namespace zav::platform

// Host wall clock on Windows.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <time.h>

#include "platform/calendar_fields.h"
#include "platform/clock.h"

namespace zav::platform {

namespace {

// 100-ns ticks from 1601-01-01, where FILETIME counts from, to 1970-01-01.
constexpr int64_t kEpochOffset = 116444736000000000LL;

}  // namespace

int64_t systemTime100ns() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<int64_t>(ticks.QuadPart) - kEpochOffset;
}

CalendarTime localCalendarTime(int64_t ticks100ns) {
  const __time64_t when = static_cast<__time64_t>(wholeSeconds(ticks100ns));
  tm local{};
  if (_localtime64_s(&local, &when) != 0) return CalendarTime{};
  return calendarFields(local);
}

}  // namespace zav::platform

// The C boundary: every exported function runs its body through guarded(), so that no
// exception reaches the host; the failure value is returned instead. Each call leaves a
// text for zav_last_error on its thread: empty after a success, the exception's what()
// or the reason given to fail() after a failure.
#pragma once

#include <exception>

#include "api/driver_connection.h"
#include "zav/zav.h"

namespace zav::exports {

void clearError() noexcept;
void setError(const char* message) noexcept;
const char* lastError() noexcept;

// A failure without an exception: records why and returns the failure value.
template <typename Result>
Result fail(Result failure, const char* message) noexcept {
  setError(message);
  return failure;
}

template <typename Result, typename Body>
Result guarded(Result failure, Body&& body) noexcept {
  clearError();
  try {
    return body();
  } catch (const std::exception& error) {
    setError(error.what());
  } catch (...) {
    setError("unknown failure");
  }
  return failure;
}

template <typename Body>
void guardedVoid(Body&& body) noexcept {
  clearError();
  try {
    body();
  } catch (const std::exception& error) {
    setError(error.what());
  } catch (...) {
    setError("unknown failure");
  }
}

inline detail::DriverConnection* handleOf(zav_driver* driver) {
  return reinterpret_cast<detail::DriverConnection*>(driver);
}

inline detail::SignalHandle* handleOf(zav_signal* signal) { return reinterpret_cast<detail::SignalHandle*>(signal); }

inline zav_driver* toHandle(detail::DriverConnection* connection) {
  return reinterpret_cast<zav_driver*>(connection);
}

inline zav_signal* toHandle(detail::SignalHandle* signal) { return reinterpret_cast<zav_signal*>(signal); }

}  // namespace zav::exports

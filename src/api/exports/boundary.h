// The C boundary: every exported function runs its body through guarded(), so that no
// exception reaches the host; the failure value is returned instead.
#pragma once

#include "api/driver_connection.h"
#include "zav/zav.h"

namespace zav::exports {

template <typename Result, typename Body>
Result guarded(Result failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <typename Body>
void guardedVoid(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
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

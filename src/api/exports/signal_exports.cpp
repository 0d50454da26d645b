// Exported functions that take a signal handle. A handle whose index the driver's list
// no longer holds (after a disconnect) answers 0, false or an empty text.
#include "api/exports/boundary.h"

using zav::SignalInfo;
using zav::exports::fail;
using zav::exports::guarded;
using zav::exports::handleOf;

namespace {

constexpr const char* kNullSignal = "null signal handle";
constexpr const char* kStale = "the signal is not in the driver's list (the device is disconnected)";

template <typename Result, typename Body>
Result onSignal(zav_signal* signal, Result failure, Body&& body) noexcept {
  if (signal == nullptr) return fail(failure, kNullSignal);
  return guarded(failure, [&]() -> Result {
    const SignalInfo* info = handleOf(signal)->info();
    return info != nullptr ? body(*info) : fail(failure, kStale);
  });
}

}  // namespace

extern "C" {

ZAV_API char* zav_signal_get_type(zav_signal* signal, char* buffer, uint32_t size) {
  if (buffer == nullptr) return fail<char*>(nullptr, "null argument");
  if (size > 0) buffer[0] = '\0';
  return onSignal(signal, buffer,
                  [&](const SignalInfo& info) { return zav::detail::copyToHostBuffer(info.type, buffer, size); });
}

ZAV_API int zav_signal_get_channels(zav_signal* signal) {
  return onSignal(signal, 0, [](const SignalInfo& info) { return static_cast<int>(info.channels); });
}

ZAV_API int zav_signal_get_samples(zav_signal* signal) {
  return onSignal(signal, 0, [](const SignalInfo& info) { return static_cast<int>(info.blockSize); });
}

ZAV_API int zav_signal_get_mode(zav_signal* signal) {
  return onSignal(signal, 0, [](const SignalInfo& info) { return static_cast<int>(info.mode); });
}

ZAV_API bool zav_signal_set_mode(zav_signal* signal, int mode) {
  if (signal == nullptr) return fail(false, kNullSignal);
  return guarded(false, [&] {
    zav::detail::SignalHandle& handle = *handleOf(signal);
    return (handle.driver != nullptr && handle.driver->setSignalMode(handle.index, static_cast<uint8_t>(mode & 0xFF))) ||
           fail(false, "the device did not take the mode (it must be connected and idle)");
  });
}

}  // extern "C"

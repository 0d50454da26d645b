// The error channel and the destination of diagnostic lines.
#include <algorithm>
#include <cstring>

#include "api/exports/boundary.h"
#include "common/diagnostics.h"

namespace zav::exports {

namespace {

// A fixed buffer: recording an error must not fail for want of memory.
constexpr std::size_t kErrorCapacity = 512;
thread_local char lastErrorText[kErrorCapacity] = "";

}  // namespace

void clearError() noexcept { lastErrorText[0] = '\0'; }

void setError(const char* message) noexcept {
  if (message == nullptr || message[0] == '\0') message = "unknown failure";
  const std::size_t length = std::min(std::strlen(message), kErrorCapacity - 1);
  std::memcpy(lastErrorText, message, length);
  lastErrorText[length] = '\0';
}

const char* lastError() noexcept { return lastErrorText; }

}  // namespace zav::exports

extern "C" {

ZAV_API const char* zav_last_error(void) { return zav::exports::lastError(); }

ZAV_API void zav_set_log_handler(void (*handler)(const char* line, void* user), void* user) {
  zav::exports::guardedVoid([&] { zav::diag::setSink(handler, user); });
}

}  // extern "C"

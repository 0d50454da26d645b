// The outcome of one read or write on a device link, the same for serial ports and
// sockets on every system, and the one mapping of the system's error codes onto it.
#pragma once

#include <cstdint>

namespace zav::platform {

enum class IoStatus {
  ok,
  timedOut,      // nothing could be transferred within the time-out
  closedByPeer,  // orderly end of a stream
  linkLost,      // the device or peer went away: unplugged, hung up, reset, aborted, refused
  failed,        // any other error, also any call on a closed port or socket
};

struct IoResult {
  IoStatus status = IoStatus::failed;
  uint32_t count = 0;
};

// The status that a system error code (errno; GetLastError or WSAGetLastError) stands for.
// An error that is not known to mean a time-out or a lost link is a failure.
IoStatus ioStatusOfError(unsigned long error);

}  // namespace zav::platform

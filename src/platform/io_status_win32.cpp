#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#include "platform/io_result.h"

namespace zav::platform {

IoStatus ioStatusOfError(unsigned long error) {
  switch (error) {
    case WSAETIMEDOUT:
      return IoStatus::timedOut;
    // Errors with which Windows fails I/O on a port whose device was unplugged.
    case ERROR_NOT_READY:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_INVALID_HANDLE:
    case ERROR_GEN_FAILURE:
    // A socket reset, aborted or refused by its peer.
    case WSAECONNABORTED:
    case WSAECONNRESET:
    case WSAECONNREFUSED:
      return IoStatus::linkLost;
    default:
      return IoStatus::failed;
  }
}

}  // namespace zav::platform

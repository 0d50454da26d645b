#include <cerrno>

#include "platform/io_result.h"

namespace zav::platform {

IoStatus ioStatusOfError(unsigned long error) {
  switch (error) {
    case EAGAIN:  // a socket's receive time-out
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return IoStatus::timedOut;
    case EIO:  // a terminal whose device was unplugged or hung up
    case ENXIO:
    case ENODEV:
    case EPIPE:
    case ETIMEDOUT:  // the kernel gave a connection up; no time-out of ours
    case ECONNRESET:
    case ECONNABORTED:
    case ECONNREFUSED:
      return IoStatus::linkLost;
    default:
      return IoStatus::failed;
  }
}

}  // namespace zav::platform

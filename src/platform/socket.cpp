// The part of Socket that is the same on every platform.
#include "platform/socket.h"

namespace zav::platform {

Socket::~Socket() { close(); }

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = kClosed;
  }
  return *this;
}

}  // namespace zav::platform

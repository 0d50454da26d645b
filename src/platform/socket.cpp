// Socket on every platform, over the calls of socket_system.h.
#include "platform/socket.h"

#include <utility>

#include "platform/socket_system.h"

namespace zav::platform {

namespace sys = socket_system;

namespace {

IoResult resultOf(int64_t transferred, uint32_t count) {
  if (transferred > 0) return {IoStatus::ok, static_cast<uint32_t>(transferred)};
  // Nothing transferred without an error is the end of the stream, unless nothing was asked.
  if (transferred == 0) return {count == 0 ? IoStatus::ok : IoStatus::closedByPeer, 0};
  return {ioStatusOfError(sys::lastError()), 0};
}

}  // namespace

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

bool Socket::openTcp() {
  close();
  handle_ = sys::open(sys::Kind::tcp);
  return isOpen();
}

ConnectResult Socket::connectLoopback(uint16_t port) {
  return isOpen() ? sys::connectLoopback(handle_, port) : ConnectResult::failed;
}

bool Socket::connectRfcomm(const BluetoothEndpoint& endpoint, uint32_t limitMs) {
  close();
  Socket candidate(sys::open(sys::Kind::rfcomm));
  if (!candidate.isOpen()) return false;
  const sys::Handle handle = candidate.handle_;
  // Connecting without blocking is what bounds the attempt by limitMs.
  if (!sys::setBlocking(handle, false) || !sys::startConnect(handle, endpoint) || !sys::setBlocking(handle, true)) {
    return false;
  }
  if (!sys::waitFor(handle, sys::Event::writable, limitMs) || !sys::connectSucceeded(handle)) return false;
  *this = std::move(candidate);
  return true;
}

bool Socket::listenLoopback(uint16_t port) {
  if (!openTcp()) return false;
  if (sys::listenLoopback(handle_, port)) return true;
  close();
  return false;
}

uint16_t Socket::localPort() const { return isOpen() ? sys::localPort(handle_) : 0; }

Socket Socket::accept(uint32_t timeoutMs) {
  if (!isOpen() || !sys::waitFor(handle_, sys::Event::readable, timeoutMs)) return Socket();
  return Socket(sys::accept(handle_));
}

bool Socket::setReceiveTimeout(uint32_t milliseconds) {
  return isOpen() && sys::setReceiveTimeout(handle_, milliseconds);
}

SocketResult Socket::receive(uint8_t* buffer, uint32_t count) {
  if (!isOpen() || buffer == nullptr) return {IoStatus::failed, 0};
  return resultOf(sys::receive(handle_, buffer, count), count);
}

SocketResult Socket::send(const uint8_t* buffer, uint32_t count, SendRouting routing) {
  if (!isOpen() || buffer == nullptr) return {IoStatus::failed, 0};
  return resultOf(sys::send(handle_, buffer, count, routing), count);
}

void Socket::close() {
  if (!isOpen()) return;
  sys::close(handle_);
  handle_ = kClosed;
}

}  // namespace zav::platform

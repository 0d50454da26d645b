// BSD sockets. RFCOMM goes through the kernel's Bluetooth socket family; its few constants
// and the address structure are declared here so that no Bluetooth library is needed.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace zav::platform {

namespace {

constexpr int kAfBluetooth = 31;
constexpr int kBtProtoRfcomm = 3;

// The kernel's struct sockaddr_rc: the address is stored least significant byte first.
struct RfcommAddress {
  sa_family_t family;
  uint8_t address[6];
  uint8_t channel;
};

SocketStatus statusOfError(int error) {
  switch (error) {
    case EAGAIN:  // the receive time-out
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return SocketStatus::timedOut;
    case ETIMEDOUT:  // here the kernel gave the connection up, no time-out of ours
    case ECONNRESET:
    case ECONNABORTED:
    case ECONNREFUSED:
    case EPIPE:
      return SocketStatus::linkLost;
    default:
      return SocketStatus::failed;
  }
}

bool setBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

int pollMilliseconds(uint32_t milliseconds) {
  return milliseconds > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
}

// Waits for one event on the socket; false on time-out or error.
bool waitFor(int fd, short events, uint32_t milliseconds) {
  pollfd entry{fd, events, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, pollMilliseconds(milliseconds));
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (entry.revents & events) != 0;
}

int fdOf(std::intptr_t handle) { return static_cast<int>(handle); }

sockaddr_in loopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

bool Socket::openTcp() {
  close();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

ConnectResult Socket::connectLoopback(uint16_t port) {
  if (!isOpen()) return ConnectResult::failed;
  const sockaddr_in address = loopbackAddress(port);
  if (::connect(fdOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectResult::connected;
  }
  return errno == ECONNREFUSED ? ConnectResult::refused : ConnectResult::failed;
}

bool Socket::connectRfcomm(const BluetoothEndpoint& endpoint, uint32_t limitMs) {
  close();
  const int fd = ::socket(kAfBluetooth, SOCK_STREAM | SOCK_CLOEXEC, kBtProtoRfcomm);
  if (fd < 0) return false;
  Socket candidate(fd);

  RfcommAddress address{};
  address.family = kAfBluetooth;
  for (int i = 0; i < 6; ++i) address.address[i] = static_cast<uint8_t>(endpoint.address >> (8 * i));
  address.channel = endpoint.channel;

  if (!setBlocking(fd, false)) return false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return false;
  if (errno != EINPROGRESS && errno != EAGAIN) return false;
  if (!setBlocking(fd, true)) return false;
  // Writable alone does not mean connected here: a refused attempt is writable too.
  if (!waitFor(fd, POLLOUT, limitMs)) return false;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return false;
  *this = std::move(candidate);
  return true;
}

bool Socket::listenLoopback(uint16_t port) {
  if (!openTcp()) return false;
  const int reuse = 1;
  setsockopt(fdOf(handle_), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  const sockaddr_in address = loopbackAddress(port);
  if (::bind(fdOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fdOf(handle_), SOMAXCONN) != 0) {
    close();
    return false;
  }
  return true;
}

uint16_t Socket::localPort() const {
  if (!isOpen()) return 0;
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (getsockname(fdOf(handle_), reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

Socket Socket::accept(uint32_t timeoutMs) {
  if (!isOpen() || !waitFor(fdOf(handle_), POLLIN, timeoutMs)) return Socket();
  const int fd = ::accept4(fdOf(handle_), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? Socket() : Socket(fd);
}

bool Socket::setReceiveTimeout(uint32_t milliseconds) {
  if (!isOpen()) return false;
  timeval limit{};
  limit.tv_sec = static_cast<time_t>(milliseconds / 1000);
  limit.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
  return setsockopt(fdOf(handle_), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

SocketResult Socket::receive(uint8_t* buffer, uint32_t count) {
  if (!isOpen() || buffer == nullptr) return {SocketStatus::failed, 0};
  ssize_t received = 0;
  do {
    received = ::recv(fdOf(handle_), buffer, count, 0);
  } while (received < 0 && errno == EINTR);
  if (received > 0) return {SocketStatus::ok, static_cast<uint32_t>(received)};
  if (received == 0) return {count == 0 ? SocketStatus::ok : SocketStatus::closedByPeer, 0};
  return {statusOfError(errno), 0};
}

SocketResult Socket::send(const uint8_t* buffer, uint32_t count, SendRouting routing) {
  if (!isOpen() || buffer == nullptr) return {SocketStatus::failed, 0};
  // A peer that went away must show as an error, not as SIGPIPE ending the host.
  const int flags = MSG_NOSIGNAL | (routing == SendRouting::local ? MSG_DONTROUTE : 0);
  ssize_t sent = 0;
  do {
    sent = ::send(fdOf(handle_), buffer, count, flags);
  } while (sent < 0 && errno == EINTR);
  if (sent > 0) return {SocketStatus::ok, static_cast<uint32_t>(sent)};
  if (sent == 0) return {count == 0 ? SocketStatus::ok : SocketStatus::closedByPeer, 0};
  return {statusOfError(errno), 0};
}

void Socket::close() {
  if (!isOpen()) return;
  ::shutdown(fdOf(handle_), SHUT_RDWR);
  ::close(fdOf(handle_));
  handle_ = kClosed;
}

}  // namespace zav::platform

// BSD sockets. RFCOMM goes through the kernel's Bluetooth socket family; its few constants
// and the address structure are declared here so that no Bluetooth library is needed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/socket_system.h"

namespace zav::platform::socket_system {

namespace {

constexpr int kAfBluetooth = 31;
constexpr int kBtProtoRfcomm = 3;

// The kernel's struct sockaddr_rc: the address is stored least significant byte first.
struct RfcommAddress {
  sa_family_t family;
  uint8_t address[6];
  uint8_t channel;
};

int fdOf(Handle handle) { return static_cast<int>(handle); }

sockaddr_in loopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

Handle open(Kind kind) {
  const int fd = kind == Kind::tcp ? ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP)
                                   : ::socket(kAfBluetooth, SOCK_STREAM | SOCK_CLOEXEC, kBtProtoRfcomm);
  return fd < 0 ? kNone : fd;
}

void close(Handle handle) {
  ::shutdown(fdOf(handle), SHUT_RDWR);
  ::close(fdOf(handle));
}

unsigned long lastError() { return static_cast<unsigned long>(errno); }

bool setBlocking(Handle handle, bool blocking) {
  const int flags = fcntl(fdOf(handle), F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(fdOf(handle), F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

bool waitFor(Handle handle, Event event, uint32_t milliseconds) {
  const short events = event == Event::readable ? POLLIN : POLLOUT;
  pollfd entry{fdOf(handle), events, 0};
  const int limit = milliseconds > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
  int ready = 0;
  do {
    ready = poll(&entry, 1, limit);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (entry.revents & events) != 0;
}

ConnectResult connectLoopback(Handle handle, uint16_t port) {
  const sockaddr_in address = loopbackAddress(port);
  if (::connect(fdOf(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectResult::connected;
  }
  return errno == ECONNREFUSED ? ConnectResult::refused : ConnectResult::failed;
}

bool startConnect(Handle handle, const BluetoothEndpoint& endpoint) {
  RfcommAddress address{};
  address.family = kAfBluetooth;
  for (int i = 0; i < 6; ++i) address.address[i] = static_cast<uint8_t>(endpoint.address >> (8 * i));
  address.channel = endpoint.channel;
  if (::connect(fdOf(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return false;
  return errno == EINPROGRESS || errno == EAGAIN;
}

// Writable alone does not mean connected here: a refused attempt is writable too.
bool connectSucceeded(Handle handle) {
  int error = 0;
  socklen_t size = sizeof error;
  return getsockopt(fdOf(handle), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool listenLoopback(Handle handle, uint16_t port) {
  const int reuse = 1;
  setsockopt(fdOf(handle), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  const sockaddr_in address = loopbackAddress(port);
  return ::bind(fdOf(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
         ::listen(fdOf(handle), SOMAXCONN) == 0;
}

uint16_t localPort(Handle handle) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (getsockname(fdOf(handle), reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

Handle accept(Handle handle) {
  const int fd = ::accept4(fdOf(handle), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNone : fd;
}

bool setReceiveTimeout(Handle handle, uint32_t milliseconds) {
  timeval limit{};
  limit.tv_sec = static_cast<time_t>(milliseconds / 1000);
  limit.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
  return setsockopt(fdOf(handle), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

int64_t receive(Handle handle, uint8_t* buffer, uint32_t count) {
  ssize_t received = 0;
  do {
    received = ::recv(fdOf(handle), buffer, count, 0);
  } while (received < 0 && errno == EINTR);
  return received;
}

int64_t send(Handle handle, const uint8_t* buffer, uint32_t count, SendRouting routing) {
  // A peer that went away must show as an error, not as SIGPIPE ending the host.
  const int flags = MSG_NOSIGNAL | (routing == SendRouting::local ? MSG_DONTROUTE : 0);
  ssize_t sent = 0;
  do {
    sent = ::send(fdOf(handle), buffer, count, flags);
  } while (sent < 0 && errno == EINTR);
  return sent;
}

}  // namespace zav::platform::socket_system

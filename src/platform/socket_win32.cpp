// Windows Sockets 2, with RFCOMM through the Bluetooth address family.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2bth.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/socket_system.h"
#include "platform/winsock_startup.h"

namespace zav::platform {

bool startWinsock() {
  // Started once for the process and never cleaned up: sockets may live until it ends.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

namespace socket_system {

namespace {

// INVALID_SOCKET has all bits set, so it becomes -1, the closed marker.
SOCKET socketOf(Handle handle) { return static_cast<SOCKET>(handle); }

sockaddr_in loopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int clampedCount(uint32_t count) { return count > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(count); }

}  // namespace

Handle open(Kind kind) {
  if (!startWinsock()) return kNone;
  const SOCKET socket = kind == Kind::tcp ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)
                                          : ::socket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
  return static_cast<Handle>(socket);
}

void close(Handle handle) {
  ::shutdown(socketOf(handle), SD_BOTH);
  ::closesocket(socketOf(handle));
}

unsigned long lastError() { return static_cast<unsigned long>(WSAGetLastError()); }

bool setBlocking(Handle handle, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(socketOf(handle), FIONBIO, &nonBlocking) == 0;
}

// A failed connect shows in the exception set, not the write set.
bool waitFor(Handle handle, Event event, uint32_t milliseconds) {
  fd_set chosen;
  fd_set failed;
  FD_ZERO(&chosen);
  FD_ZERO(&failed);
  FD_SET(socketOf(handle), &chosen);
  FD_SET(socketOf(handle), &failed);
  timeval limit{};
  limit.tv_sec = static_cast<long>(milliseconds / 1000);
  limit.tv_usec = static_cast<long>((milliseconds % 1000) * 1000);
  const bool readable = event == Event::readable;
  const int ready = select(0, readable ? &chosen : nullptr, readable ? nullptr : &chosen, &failed, &limit);
  return ready > 0 && FD_ISSET(socketOf(handle), &chosen);
}

ConnectResult connectLoopback(Handle handle, uint16_t port) {
  const sockaddr_in address = loopbackAddress(port);
  if (::connect(socketOf(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectResult::connected;
  }
  return WSAGetLastError() == WSAECONNREFUSED ? ConnectResult::refused : ConnectResult::failed;
}

bool startConnect(Handle handle, const BluetoothEndpoint& endpoint) {
  SOCKADDR_BTH address{};
  address.addressFamily = AF_BTH;
  address.btAddr = endpoint.address;
  static_assert(sizeof address.serviceClassId == sizeof endpoint.serviceClass, "a GUID is 16 bytes");
  std::memcpy(&address.serviceClassId, endpoint.serviceClass.data(), endpoint.serviceClass.size());
  address.port = endpoint.channel;
  if (::connect(socketOf(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return false;
  return WSAGetLastError() == WSAEWOULDBLOCK;
}

bool connectSucceeded(Handle handle) {
  int error = 0;
  int size = sizeof error;
  return getsockopt(socketOf(handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
         error == 0;
}

bool listenLoopback(Handle handle, uint16_t port) {
  const sockaddr_in address = loopbackAddress(port);
  return ::bind(socketOf(handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
         ::listen(socketOf(handle), SOMAXCONN) == 0;
}

uint16_t localPort(Handle handle) {
  sockaddr_in address{};
  int size = sizeof address;
  if (getsockname(socketOf(handle), reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

Handle accept(Handle handle) { return static_cast<Handle>(::accept(socketOf(handle), nullptr, nullptr)); }

bool setReceiveTimeout(Handle handle, uint32_t milliseconds) {
  const DWORD limit = milliseconds;
  return setsockopt(socketOf(handle), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                    sizeof limit) == 0;
}

int64_t receive(Handle handle, uint8_t* buffer, uint32_t count) {
  return ::recv(socketOf(handle), reinterpret_cast<char*>(buffer), clampedCount(count), 0);
}

int64_t send(Handle handle, const uint8_t* buffer, uint32_t count, SendRouting routing) {
  const int flags = routing == SendRouting::local ? MSG_DONTROUTE : 0;
  return ::send(socketOf(handle), reinterpret_cast<const char*>(buffer), clampedCount(count), flags);
}

}  // namespace socket_system
}  // namespace zav::platform

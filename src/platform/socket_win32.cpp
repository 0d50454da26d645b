// Windows Sockets 2, with RFCOMM through the Bluetooth address family.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2bth.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/socket.h"
#include "platform/winsock_startup.h"

namespace zav::platform {

namespace {

SocketStatus statusOfError(int error) {
  switch (error) {
    case WSAETIMEDOUT:
      return SocketStatus::timedOut;
    case WSAECONNABORTED:
    case WSAECONNRESET:
    case WSAECONNREFUSED:
      return SocketStatus::linkLost;
    default:
      return SocketStatus::failed;
  }
}

bool setBlocking(SOCKET socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

timeval selectLimit(uint32_t milliseconds) {
  timeval limit{};
  limit.tv_sec = static_cast<long>(milliseconds / 1000);
  limit.tv_usec = static_cast<long>((milliseconds % 1000) * 1000);
  return limit;
}

// INVALID_SOCKET has all bits set, so it becomes -1, the closed marker.
std::intptr_t handleOf(SOCKET socket) { return static_cast<std::intptr_t>(socket); }
SOCKET socketOf(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

sockaddr_in loopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int clampedCount(uint32_t count) { return count > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(count); }

}  // namespace

bool startWinsock() {
  // Started once for the process and never cleaned up: sockets may live until it ends.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

bool Socket::openTcp() {
  close();
  if (!startWinsock()) return false;
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) return false;
  handle_ = handleOf(socket);
  return true;
}

ConnectResult Socket::connectLoopback(uint16_t port) {
  if (!isOpen()) return ConnectResult::failed;
  const sockaddr_in address = loopbackAddress(port);
  if (::connect(socketOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return ConnectResult::connected;
  }
  return WSAGetLastError() == WSAECONNREFUSED ? ConnectResult::refused : ConnectResult::failed;
}

bool Socket::connectRfcomm(const BluetoothEndpoint& endpoint, uint32_t limitMs) {
  close();
  if (!startWinsock()) return false;
  const SOCKET socket = ::socket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
  if (socket == INVALID_SOCKET) return false;
  Socket candidate(handleOf(socket));

  if (!setBlocking(socket, false)) return false;
  SOCKADDR_BTH address{};
  address.addressFamily = AF_BTH;
  address.btAddr = endpoint.address;
  static_assert(sizeof address.serviceClassId == sizeof endpoint.serviceClass, "a GUID is 16 bytes");
  std::memcpy(&address.serviceClassId, endpoint.serviceClass.data(), endpoint.serviceClass.size());
  address.port = endpoint.channel;
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return false;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  if (!setBlocking(socket, true)) return false;

  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval limit = selectLimit(limitMs);
  if (select(0, nullptr, &writable, &failed, &limit) < 1 || !FD_ISSET(socket, &writable)) return false;
  *this = std::move(candidate);
  return true;
}

bool Socket::listenLoopback(uint16_t port) {
  if (!openTcp()) return false;
  const sockaddr_in address = loopbackAddress(port);
  if (::bind(socketOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(socketOf(handle_), SOMAXCONN) != 0) {
    close();
    return false;
  }
  return true;
}

uint16_t Socket::localPort() const {
  if (!isOpen()) return 0;
  sockaddr_in address{};
  int size = sizeof address;
  if (getsockname(socketOf(handle_), reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
  return ntohs(address.sin_port);
}

Socket Socket::accept(uint32_t timeoutMs) {
  if (!isOpen()) return Socket();
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socketOf(handle_), &readable);
  timeval limit = selectLimit(timeoutMs);
  if (select(0, &readable, nullptr, nullptr, &limit) < 1) return Socket();
  const SOCKET socket = ::accept(socketOf(handle_), nullptr, nullptr);
  return socket == INVALID_SOCKET ? Socket() : Socket(handleOf(socket));
}

bool Socket::setReceiveTimeout(uint32_t milliseconds) {
  if (!isOpen()) return false;
  const DWORD limit = milliseconds;
  return setsockopt(socketOf(handle_), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                    sizeof limit) == 0;
}

SocketResult Socket::receive(uint8_t* buffer, uint32_t count) {
  if (!isOpen() || buffer == nullptr) return {SocketStatus::failed, 0};
  const int received = ::recv(socketOf(handle_), reinterpret_cast<char*>(buffer), clampedCount(count), 0);
  if (received > 0) return {SocketStatus::ok, static_cast<uint32_t>(received)};
  if (received == 0) return {count == 0 ? SocketStatus::ok : SocketStatus::closedByPeer, 0};
  return {statusOfError(WSAGetLastError()), 0};
}

SocketResult Socket::send(const uint8_t* buffer, uint32_t count, SendRouting routing) {
  if (!isOpen() || buffer == nullptr) return {SocketStatus::failed, 0};
  const int flags = routing == SendRouting::local ? MSG_DONTROUTE : 0;
  const int sent =
      ::send(socketOf(handle_), reinterpret_cast<const char*>(buffer), clampedCount(count), flags);
  if (sent > 0) return {SocketStatus::ok, static_cast<uint32_t>(sent)};
  if (sent == 0) return {count == 0 ? SocketStatus::ok : SocketStatus::closedByPeer, 0};
  return {statusOfError(WSAGetLastError()), 0};
}

void Socket::close() {
  if (!isOpen()) return;
  ::shutdown(socketOf(handle_), SD_BOTH);
  ::closesocket(socketOf(handle_));
  handle_ = kClosed;
}

}  // namespace zav::platform

// A stream socket behind one narrow interface: TCP on the loopback address (the Bluetooth
// bridge and its test peers) and RFCOMM to a Bluetooth device. The logic lives in
// socket.cpp over the few calls in which the systems differ (socket_system.h, with
// socket_posix.cpp and socket_win32.cpp), so every platform has the same semantics: a
// receive waits up to the receive time-out for the first bytes and returns what has arrived.
//
//     platform::Socket socket;
//     if (socket.openTcp() && socket.connectLoopback(54000) == platform::ConnectResult::connected)
//       socket.send(request, size, platform::SendRouting::local);
#pragma once

#include <array>
#include <cstdint>

#include "platform/io_result.h"

namespace zav::platform {

// Transfers report the outcome that serial ports report.
using SocketStatus = IoStatus;
using SocketResult = IoResult;

enum class ConnectResult { connected, refused, failed };

// A device link never goes through a gateway, so its data may skip routing.
enum class SendRouting { normal, local };

// A Bluetooth device's RFCOMM end point: the 48-bit address, most significant byte first
// in the number, and the service class that discovery reported (zero when unknown).
struct BluetoothEndpoint {
  uint64_t address = 0;
  std::array<uint8_t, 16> serviceClass{};
  uint8_t channel = 1;
};

class Socket {
 public:
  Socket() = default;
  ~Socket();  // closes the socket if it is open
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool isOpen() const { return handle_ != kClosed; }

  // A new IPv4 TCP socket; any socket held before is closed first.
  bool openTcp();
  // Connects the TCP socket to 127.0.0.1:port. A refused socket stays open, but to try
  // again open a fresh one: not every socket layer accepts a second connect.
  ConnectResult connectLoopback(uint16_t port);
  // A new RFCOMM socket connected to the device within limitMs; any socket held before is
  // closed first. On failure nothing is held.
  bool connectRfcomm(const BluetoothEndpoint& endpoint, uint32_t limitMs);

  // A new TCP socket listening on 127.0.0.1:port (0 lets the system pick a free port).
  bool listenLoopback(uint16_t port);
  // The local port of a bound socket, 0 when there is none.
  uint16_t localPort() const;
  // Waits up to timeoutMs for a connection on a listening socket; a closed Socket when
  // none arrived.
  Socket accept(uint32_t timeoutMs);

  // Receive time-out in milliseconds; 0 waits without limit.
  bool setReceiveTimeout(uint32_t milliseconds);
  SocketResult receive(uint8_t* buffer, uint32_t count);
  SocketResult send(const uint8_t* buffer, uint32_t count, SendRouting routing = SendRouting::normal);

  // Shuts both directions down and closes; nothing happens when already closed.
  void close();

 private:
  // The system's handle (a file descriptor, or a SOCKET); both fit and both use -1 for none.
  static constexpr std::intptr_t kClosed = -1;

  explicit Socket(std::intptr_t handle) : handle_(handle) {}

  std::intptr_t handle_ = kClosed;
};

}  // namespace zav::platform

// The few socket calls in which the systems differ, one file per system
// (socket_posix.cpp, socket_win32.cpp); Socket (socket.cpp) is built on them alone.
#pragma once

#include <cstdint>

#include "platform/socket.h"

namespace zav::platform::socket_system {

// A file descriptor or a SOCKET; both fit, and both use -1 for none.
using Handle = std::intptr_t;
constexpr Handle kNone = -1;

enum class Kind { tcp, rfcomm };
enum class Event { readable, writable };

// A new blocking stream socket; kNone when the system has none to give.
Handle open(Kind kind);
// Shuts both directions down and closes.
void close(Handle handle);
// The code of the last failed call on this thread, for ioStatusOfError.
unsigned long lastError();

bool setBlocking(Handle handle, bool blocking);
// Waits up to milliseconds for the event; false on time-out or error. Writable is false
// too when the system already knows that a connect failed.
bool waitFor(Handle handle, Event event, uint32_t milliseconds);

ConnectResult connectLoopback(Handle handle, uint16_t port);
// Starts a connect on a non-blocking socket: true when it is under way.
bool startConnect(Handle handle, const BluetoothEndpoint& endpoint);
// After a connect that was under way became writable: true when it succeeded.
bool connectSucceeded(Handle handle);

// Binds to 127.0.0.1:port and listens.
bool listenLoopback(Handle handle, uint16_t port);
uint16_t localPort(Handle handle);
Handle accept(Handle handle);

bool setReceiveTimeout(Handle handle, uint32_t milliseconds);
// The count transferred (0: the peer closed the stream), or -1 on error.
int64_t receive(Handle handle, uint8_t* buffer, uint32_t count);
int64_t send(Handle handle, const uint8_t* buffer, uint32_t count, SendRouting routing);

}  // namespace zav::platform::socket_system

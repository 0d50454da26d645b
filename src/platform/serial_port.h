// The operating system's serial port behind one narrow interface. Each platform has one
// file implementing it (serial_posix.cpp, serial_win32.cpp) with the same read semantics:
// a read returns at once with whatever is buffered (up to the count asked), otherwise
// waits for the first byte up to the time-out and returns as soon as bytes arrive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/io_result.h"

namespace zav::platform {

// Where an open failed, with the system's error code, so that the caller can word it.
struct SerialOpenError {
  enum class Stage { none, open, getState, setState, unsupportedRate } stage = Stage::none;
  unsigned long code = 0;
};

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();  // closes the port if it is open
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens the device exclusively, raw 8N1 at baudRate.
  bool open(const std::string& path, uint32_t baudRate, SerialOpenError& error);
  // True when closed (also when nothing was open); false keeps the port for a retry.
  bool close();
  bool isOpen() const;
  bool setTimeout(uint32_t milliseconds);
  // The read time-out in force, or 0xFFFFFFFF when it cannot be read.
  uint32_t timeout() const;
  IoResult read(uint8_t* buffer, uint32_t count);
  IoResult write(const uint8_t* buffer, uint32_t count);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

// The device path for a port number: "\\.\COM<n>" on Windows, "/dev/ttyACM<n>" on Linux.
std::string serialPathForPort(int port);
// The name a user recognises for a path: "COM3" for "\\.\COM3", the path itself elsewhere.
std::string serialDisplayName(const std::string& path);

}  // namespace zav::platform

// The serial port on Windows: a COM port opened as a file, synchronous I/O, with the
// port's time-outs set so that a read returns what is buffered at once and otherwise
// waits for the first byte up to the time-out.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cctype>

#include "platform/serial_port.h"
#include "platform/wide_text_win32.h"

namespace zav::platform {

namespace {

const char kDevicePrefix[] = "\\\\.\\";

bool startsWithComName(const std::string& path) {
  return path.size() > 3 && std::toupper(static_cast<unsigned char>(path[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(path[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(path[2])) == 'M' &&
         std::isdigit(static_cast<unsigned char>(path[3]));
}

// "COM3" needs the device namespace prefix to open (and always does above COM9).
std::string devicePath(const std::string& path) {
  return startsWithComName(path) ? kDevicePrefix + path : path;
}

// Some port drivers (and wine over a hung-up terminal) keep answering reads with no bytes
// after the device went away; the port's status tells the two apart.
bool isDeviceGone(HANDLE file) {
  DWORD errors = 0;
  COMSTAT status;
  if (ClearCommError(file, &errors, &status)) return false;
  return ioStatusOfError(GetLastError()) == IoStatus::linkLost;
}

}  // namespace

struct SerialPort::Handle {
  HANDLE file = INVALID_HANDLE_VALUE;
};

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return handle_ != nullptr; }

bool SerialPort::open(const std::string& path, uint32_t baudRate, SerialOpenError& error) {
  close();
  error = SerialOpenError{};
  const std::wstring name = widened(devicePath(path));
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error.stage = SerialOpenError::Stage::open;
    error.code = GetLastError();
    return false;
  }
  FlushFileBuffers(file);

  auto fail = [&](SerialOpenError::Stage stage) {
    error.stage = stage;
    error.code = GetLastError();
    // Keeping a half-configured port would lock it against this process's own retry.
    CloseHandle(file);
    return false;
  };

  DCB settings;
  ZeroMemory(&settings, sizeof settings);
  settings.DCBlength = sizeof settings;
  if (!GetCommState(file, &settings)) return fail(SerialOpenError::Stage::getState);
  // Flow control and the DTR/RTS lines stay as the port driver has them.
  settings.BaudRate = baudRate;
  settings.fParity = 0;
  settings.ByteSize = 8;
  settings.Parity = NOPARITY;
  settings.StopBits = ONESTOPBIT;
  if (!SetCommState(file, &settings)) return fail(SerialOpenError::Stage::setState);
  PurgeComm(file, 0);

  handle_ = std::make_unique<Handle>();
  handle_->file = file;
  return true;
}

bool SerialPort::close() {
  if (!handle_) return true;
  PurgeComm(handle_->file, 0);
  FlushFileBuffers(handle_->file);
  if (!CloseHandle(handle_->file)) return false;
  handle_.reset();
  return true;
}

bool SerialPort::setTimeout(uint32_t milliseconds) {
  if (!handle_) return false;
  COMMTIMEOUTS timeouts;
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = milliseconds;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = milliseconds;
  return SetCommTimeouts(handle_->file, &timeouts) == 1;
}

uint32_t SerialPort::timeout() const {
  if (!handle_) return 0xFFFFFFFFu;
  COMMTIMEOUTS timeouts;
  if (!GetCommTimeouts(handle_->file, &timeouts)) return 0xFFFFFFFFu;
  return timeouts.ReadTotalTimeoutConstant;
}

IoResult SerialPort::read(uint8_t* buffer, uint32_t count) {
  if (!handle_) return {IoStatus::failed, 0};
  DWORD got = 0;
  if (!ReadFile(handle_->file, buffer, count, &got, nullptr)) return {ioStatusOfError(GetLastError()), 0};
  if (got == 0) return {isDeviceGone(handle_->file) ? IoStatus::linkLost : IoStatus::timedOut, 0};
  return {IoStatus::ok, got};
}

IoResult SerialPort::write(const uint8_t* buffer, uint32_t count) {
  if (!handle_) return {IoStatus::failed, 0};
  DWORD put = 0;
  if (!WriteFile(handle_->file, buffer, count, &put, nullptr)) return {ioStatusOfError(GetLastError()), 0};
  return {IoStatus::ok, put};
}

std::string serialPathForPort(int port) { return kDevicePrefix + std::string("COM") + std::to_string(port); }

std::string serialDisplayName(const std::string& path) {
  const std::string prefix = kDevicePrefix;
  if (path.compare(0, prefix.size(), prefix) == 0) return path.substr(prefix.size());
  return path;
}

}  // namespace zav::platform

// The serial port on POSIX systems through termios.
//
// Port numbers name USB modem devices: port n is "/dev/ttyACM<n>", the node a USB
// virtual COM port (CDC ACM) gets on Linux; any other device file can be opened by path.
//
// The port is opened non-blocking and every read polls, which gives the same behaviour
// as the Windows setup of the port's time-outs: what is buffered comes back at once,
// otherwise the read waits for the first byte up to the time-out.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

#include "platform/serial_port.h"

namespace zav::platform {

namespace {

// Until the owner sets one; the same as the driver's working time-out.
constexpr uint32_t kDefaultTimeoutMs = 2000;

struct RateCode {
  uint32_t rate;
  speed_t code;
};

// Only rates with a B-constant: asking the system for anything else would silently give
// another speed.
constexpr RateCode kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

bool speedFor(uint32_t rate, speed_t& code) {
  for (const RateCode& entry : kRates) {
    if (entry.rate == rate) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

int pollTimeout(std::chrono::steady_clock::time_point deadline, bool forever) {
  if (forever) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return 0;
  return left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
}

void makeRaw(termios& settings) {
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                             IXOFF | IXANY | INPCK);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
#ifdef CRTSCTS
  settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  // With VMIN 0 an empty non-blocking read returns 0 like a hang-up; with VMIN 1 it
  // fails with EAGAIN, so 0 keeps meaning that the device is gone.
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
}

}  // namespace

struct SerialPort::Handle {
  int fd = -1;
  uint32_t timeoutMs = kDefaultTimeoutMs;
};

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const { return handle_ != nullptr; }

bool SerialPort::open(const std::string& path, uint32_t baudRate, SerialOpenError& error) {
  close();
  error = SerialOpenError{};
  speed_t speed = B0;
  if (!speedFor(baudRate, speed)) {
    error.stage = SerialOpenError::Stage::unsupportedRate;
    error.code = baudRate;
    return false;
  }

  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error.stage = SerialOpenError::Stage::open;
    error.code = static_cast<unsigned long>(errno);
    return false;
  }
  auto fail = [&](SerialOpenError::Stage stage, int code) {
    error.stage = stage;
    error.code = static_cast<unsigned long>(code);
    ::close(fd);
    return false;
  };

  // TIOCEXCL keeps out later opens by other users; the lock also keeps out privileged
  // processes and this process's own second open, which TIOCEXCL lets through.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(SerialOpenError::Stage::open, errno == EWOULDBLOCK ? EBUSY : errno);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(SerialOpenError::Stage::open, errno);

  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) return fail(SerialOpenError::Stage::getState, errno);
  makeRaw(settings);
  if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0) {
    return fail(SerialOpenError::Stage::unsupportedRate, static_cast<int>(baudRate));
  }
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) return fail(SerialOpenError::Stage::setState, errno);

  // Some drivers accept a rate they cannot run and keep the old one: read it back.
  termios applied{};
  if (::tcgetattr(fd, &applied) != 0) return fail(SerialOpenError::Stage::getState, errno);
  if (::cfgetospeed(&applied) != speed) return fail(SerialOpenError::Stage::unsupportedRate, static_cast<int>(baudRate));

  handle_ = std::make_unique<Handle>();
  handle_->fd = fd;
  return true;
}

bool SerialPort::close() {
  if (!handle_) return true;
  // Leave the device openable for the next user even if this process keeps other
  // descriptors of the same terminal.
  ::ioctl(handle_->fd, TIOCNXCL);
  // On Linux the descriptor is released even when close reports an error, so there is
  // nothing left to retry.
  ::close(handle_->fd);
  handle_.reset();
  return true;
}

bool SerialPort::setTimeout(uint32_t milliseconds) {
  if (!handle_) return false;
  handle_->timeoutMs = milliseconds;
  return true;
}

uint32_t SerialPort::timeout() const { return handle_ ? handle_->timeoutMs : 0xFFFFFFFFu; }

IoResult SerialPort::read(uint8_t* buffer, uint32_t count) {
  if (!handle_) return {IoStatus::failed, 0};
  if (count == 0) return {IoStatus::timedOut, 0};
  const bool forever = handle_->timeoutMs == 0xFFFFFFFFu;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(handle_->timeoutMs);
  for (;;) {
    const ssize_t got = ::read(handle_->fd, buffer, count);
    if (got > 0) return {IoStatus::ok, static_cast<uint32_t>(got)};
    // A terminal whose device hung up reads as end of file.
    if (got == 0) return {IoStatus::linkLost, 0};
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return {ioStatusOfError(static_cast<unsigned long>(errno)), 0};

    pollfd waiting{handle_->fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, pollTimeout(deadline, forever));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return {IoStatus::failed, 0};
    }
    if (ready == 0) return {IoStatus::timedOut, 0};
    if (waiting.revents & POLLNVAL) return {IoStatus::failed, 0};
    // POLLHUP or POLLERR: the read above reports whatever is left, then the hang-up.
  }
}

IoResult SerialPort::write(const uint8_t* buffer, uint32_t count) {
  if (!handle_) return {IoStatus::failed, 0};
  const bool forever = handle_->timeoutMs == 0xFFFFFFFFu;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(handle_->timeoutMs);
  uint32_t written = 0;
  while (written < count) {
    const ssize_t put = ::write(handle_->fd, buffer + written, count - written);
    if (put > 0) {
      written += static_cast<uint32_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      return {ioStatusOfError(static_cast<unsigned long>(errno)), written};
    }

    pollfd waiting{handle_->fd, POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, pollTimeout(deadline, forever));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return {IoStatus::failed, written};
    }
    if (ready == 0) break;
    if (waiting.revents & POLLNVAL) return {IoStatus::failed, written};
    if ((waiting.revents & (POLLHUP | POLLERR)) && !(waiting.revents & POLLOUT)) return {IoStatus::linkLost, written};
  }
  if (written == 0 && count > 0) return {IoStatus::timedOut, 0};
  return {IoStatus::ok, written};
}

std::string serialPathForPort(int port) { return "/dev/ttyACM" + std::to_string(port); }

std::string serialDisplayName(const std::string& path) { return path; }

}  // namespace zav::platform

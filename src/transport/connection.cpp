#include "transport/connection.h"

namespace zav {

Connection::Connection() = default;
Connection::~Connection() = default;

bool Connection::open() {
  connected_ = doOpen();
  return connected_;
}

bool Connection::close() {
  const bool closed = doClose();
  connected_ = !closed;
  return closed;
}

int32_t Connection::normalise(uint32_t raw) {
  switch (raw) {
    case kLinkLost:
      connected_ = !doClose();
      return -1;
    case kFailed:
      return -1;
    case kTimedOut:
      return 0;
    default:
      // A count larger than any int32 cannot come from a buffer we handed out.
      return raw > 0x7FFFFFFFu ? -1 : static_cast<int32_t>(raw);
  }
}

int32_t Connection::read(uint8_t* buffer, uint32_t count) {
  if (!connected_ || buffer == nullptr) return -1;
  return normalise(doRead(buffer, count));
}

int32_t Connection::write(const uint8_t* buffer, uint32_t count) {
  if (!connected_ || buffer == nullptr) return -1;
  return normalise(doWrite(buffer, count));
}

int32_t Connection::readUntil(uint8_t* buffer, uint32_t maximum, uint8_t delimiter) {
  if (!connected_ || buffer == nullptr) return -1;
  uint32_t stored = 0;
  while (stored < maximum) {
    if (!connected_) return -1;
    uint8_t byte = 0;
    const uint32_t raw = doRead(&byte, 1);
    if (raw != 1) {
      const int32_t result = normalise(raw);
      return result > 0 ? 0 : result;  // 0 bytes or a time-out both read as 0
    }
    if (byte == delimiter) return static_cast<int32_t>(stored);
    buffer[stored++] = byte;
  }
  return static_cast<int32_t>(stored);
}

void Connection::setProperties(const PropertyValues& properties) {
  if (&properties != &properties_) properties_ = properties;
  applyProperties();
}

}  // namespace zav

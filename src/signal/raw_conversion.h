// Conversions between block bytes, raw integers and doubles that are defined for every
// input: decoders see arbitrary device data and encoders arbitrary host values.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace zav::raw {

// Truncation toward zero that saturates at the ends of int64; NaN gives 0.
inline int64_t truncToInt64(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63, exact in double
  if (std::isnan(value)) return 0;
  if (value >= kLimit) return std::numeric_limits<int64_t>::max();
  if (value < -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

inline int64_t floorToInt64(double value) { return truncToInt64(std::floor(value)); }

// Two's complement reinterpretation without relying on implementation-defined casts.
inline int32_t toSigned32(uint32_t bits) {
  if (bits <= 0x7FFFFFFFu) return static_cast<int32_t>(bits);
  return -static_cast<int32_t>(~bits) - 1;
}

inline int16_t toSigned16(uint16_t bits) {
  if (bits <= 0x7FFFu) return static_cast<int16_t>(bits);
  return static_cast<int16_t>(-static_cast<int32_t>(static_cast<uint16_t>(~bits)) - 1);
}

inline int8_t toSigned8(uint8_t bits) {
  if (bits <= 0x7Fu) return static_cast<int8_t>(bits);
  return static_cast<int8_t>(-static_cast<int32_t>(static_cast<uint8_t>(~bits)) - 1);
}

// An arithmetic right shift (rounds toward minus infinity) that does not depend on how
// the compiler shifts negative numbers.
inline int32_t shiftRightArithmetic(int32_t value, unsigned shift) {
  if (value >= 0) return value >> shift;
  return ~(~value >> shift);
}

// A big-endian two's complement integer of `bytes` bytes. Wider values keep their last
// (least significant) four bytes, as a 32-bit raw value cannot hold more; 0 bytes read 0.
inline int32_t readBigEndian(const uint8_t* p, uint32_t bytes) {
  if (bytes == 0) return 0;
  if (bytes > 4) {
    p += bytes - 4;
    bytes = 4;
  }
  uint32_t bits = (p[0] & 0x80u) ? 0xFFFFFFFFu : 0u;
  for (uint32_t i = 0; i < bytes; ++i) bits = (bits << 8) | p[i];
  return toSigned32(bits);
}

// The low `bytes` bytes of raw, most significant first; bytes beyond the eighth repeat the sign.
inline void writeBigEndian(uint8_t* p, uint32_t bytes, int64_t raw) {
  const uint64_t bits = static_cast<uint64_t>(raw);
  const uint8_t fill = raw < 0 ? 0xFF : 0x00;
  for (uint32_t k = 0; k < bytes; ++k) {
    p[bytes - 1 - k] = k < 8 ? static_cast<uint8_t>((bits >> (8 * k)) & 0xFFu) : fill;
  }
}

}  // namespace zav::raw

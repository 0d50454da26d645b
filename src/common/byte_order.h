// Big-endian helpers for the device link and record files, and the block checksum.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zav {

inline uint16_t readU16BE(const uint8_t* p) {
  return static_cast<uint16_t>((static_cast<uint16_t>(p[0]) << 8) | p[1]);
}

inline uint32_t readU32BE(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void writeU16BE(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value & 0xFF);
}

inline void writeU32BE(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>((value >> 16) & 0xFF);
  p[2] = static_cast<uint8_t>((value >> 8) & 0xFF);
  p[3] = static_cast<uint8_t>(value & 0xFF);
}

// Sum of the bytes modulo 256: the last byte of every data block.
inline uint8_t byteSum(const uint8_t* p, std::size_t count) {
  uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += p[i];
  return static_cast<uint8_t>(sum & 0xFF);
}

}  // namespace zav

// The data block shared by the live stream and the SD-card records, and its framing:
// 0xAA 0x55, sequence, battery, flags (big-endian 16-bit each), payload, checksum (the
// sum of all bytes before it, modulo 256). Every reader and writer of blocks frames
// them here, so that the stream, the records and the simulated device cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_order.h"

namespace zav::block {

constexpr uint8_t kSync0 = 0xAA;
constexpr uint8_t kSync1 = 0x55;
constexpr uint32_t kHeaderBytes = 8;    // sync, sequence, battery, flags
constexpr uint32_t kOverheadBytes = 9;  // header and checksum
constexpr uint32_t kSequenceOffset = 2;
constexpr uint32_t kBatteryOffset = 4;
constexpr uint32_t kFlagsOffset = 6;
constexpr uint32_t kPayloadOffset = 8;

struct HeaderWords {
  uint16_t sequence = 0;
  uint16_t battery = 0;
  uint16_t flags = 0;
};

// Whether a block starts at bytes (two bytes readable).
inline bool startsBlock(const uint8_t* bytes) {
  return bytes[0] == kSync0 && bytes[1] == kSync1;
}

// The checksum a block of size bytes must end with.
inline uint8_t checksum(const uint8_t* block, std::size_t size) {
  return byteSum(block, size - 1);
}

// Start bytes and checksum hold; size is at least kOverheadBytes.
inline bool isValid(const uint8_t* block, std::size_t size) {
  return startsBlock(block) && checksum(block, size) == block[size - 1];
}

inline HeaderWords readHeader(const uint8_t* block) {
  return {readU16BE(block + kSequenceOffset), readU16BE(block + kBatteryOffset), readU16BE(block + kFlagsOffset)};
}

// The start bytes and the header words; the payload is the caller's.
inline void writeHeader(uint8_t* block, const HeaderWords& words) {
  block[0] = kSync0;
  block[1] = kSync1;
  writeU16BE(block + kSequenceOffset, words.sequence);
  writeU16BE(block + kBatteryOffset, words.battery);
  writeU16BE(block + kFlagsOffset, words.flags);
}

// Sets the last byte once header and payload are in place.
inline void finish(uint8_t* block, std::size_t size) {
  block[size - 1] = checksum(block, size);
}

// Where a block may start after a bad one: the index of the first 0xAA at from or
// later, or count when there is none.
inline std::size_t nextSync(const uint8_t* bytes, std::size_t from, std::size_t count) {
  while (from < count && bytes[from] != kSync0) ++from;
  return from;
}

// The index of the first 0xAA 0x55 pair among count bytes; when there is none, the
// index of the last byte (it may begin a pair that the next bytes complete), or 0.
inline std::size_t findStart(const uint8_t* bytes, std::size_t count) {
  std::size_t i = 0;
  while (i + 1 < count && !startsBlock(bytes + i)) ++i;
  return i;
}

}  // namespace zav::block

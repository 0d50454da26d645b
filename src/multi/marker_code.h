// The marker code that both devices of a set receive on their digital input: a high
// start row, then two bytes sent most significant bit first over 16 rows. Each byte is
// a start bit (bit 7) over a Hamming(7,4) codeword carrying one nibble of the code.
//
//     uint8_t nibble = 0;
//     decodeCodeword(0x8F, nibble);   // true, nibble 14
#pragma once

#include <cstdint>

namespace zav {

// Rows from a marker's start to its end: two bytes of 8 rows.
constexpr uint32_t kMarkerRows = 16;

// A code found on one side: the din row of its start (0 = oldest) and the 8-bit code.
struct SyncEvent {
  uint32_t position = 0;
  uint8_t code = 0;

  bool operator==(const SyncEvent& other) const { return position == other.position && code == other.code; }
};

// True for a byte with its start bit set whose low 7 bits are a valid codeword; nibble
// receives the nibble it carries.
bool decodeCodeword(uint8_t byte, uint8_t& nibble);

}  // namespace zav

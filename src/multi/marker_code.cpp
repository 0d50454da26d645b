#include "multi/marker_code.h"

namespace zav {

namespace {

constexpr uint8_t kStartBit = 0x80;
// Each mask selects the bits one parity check covers; a codeword has an even count under each.
constexpr uint8_t kParityMasks[] = {0x55, 0x33, 0x0F};
// The codeword of each nibble, indexed by the nibble.
constexpr uint8_t kCodewords[16] = {0, 112, 76, 60, 42, 90, 102, 22, 105, 25, 37, 85, 67, 51, 15, 127};

bool evenOnes(uint8_t bits) {
  bits ^= static_cast<uint8_t>(bits >> 4);
  bits ^= static_cast<uint8_t>(bits >> 2);
  bits ^= static_cast<uint8_t>(bits >> 1);
  return (bits & 1) == 0;
}

}  // namespace

bool decodeCodeword(uint8_t byte, uint8_t& nibble) {
  if ((byte & kStartBit) == 0) return false;
  for (const uint8_t mask : kParityMasks) {
    if (!evenOnes(static_cast<uint8_t>(byte & mask))) return false;
  }
  const auto codeword = static_cast<uint8_t>(byte & ~kStartBit);
  for (uint8_t value = 0; value < 16; ++value) {
    if (kCodewords[value] == codeword) {
      nibble = value;
      return true;
    }
  }
  return false;  // unreachable: the three checks admit exactly the sixteen codewords
}

}  // namespace zav

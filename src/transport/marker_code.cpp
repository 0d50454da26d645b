#include "transport/marker_code.h"

#include <cmath>

namespace zav {

namespace {

// Hamming(7,4) codewords by nibble: each has even parity under the masks 0x55, 0x33, 0x0F.
constexpr uint8_t kCodewords[16] = {0, 112, 76, 60, 42, 90, 102, 22, 105, 25, 37, 85, 67, 51, 15, 127};
constexpr uint8_t kStartBit = 0x80;
// Odd, so that period -> code runs through all 256 codes before one comes back.
constexpr int64_t kCodeStep = 149;

int64_t floorDivide(int64_t value, int64_t divisor) {
  const int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

uint8_t markerCodeword(uint8_t nibble) { return static_cast<uint8_t>(kStartBit | kCodewords[nibble & 0x0F]); }

uint8_t scheduledMarkerCode(int64_t period) {
  return static_cast<uint8_t>((period % 256 + 256) * kCodeStep % 256);
}

int64_t markerPeriodSamples(double seconds, int64_t sampleRate) {
  return std::llround(seconds * static_cast<double>(sampleRate));
}

bool markerLevel(int64_t sample, int64_t periodSamples) {
  if (periodSamples <= kMarkerRows) return false;
  const int64_t period = floorDivide(sample, periodSamples);
  const int64_t row = sample - period * periodSamples;
  if (row >= kMarkerRows) return false;
  const uint8_t code = scheduledMarkerCode(period);
  const uint8_t byte = markerCodeword(row < 8 ? static_cast<uint8_t>(code >> 4) : static_cast<uint8_t>(code & 0x0F));
  return ((byte >> (7 - row % 8)) & 1) != 0;
}

}  // namespace zav

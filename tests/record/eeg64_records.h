// Two-device set records: the same marker codes (DIN 1) and slow wave (last EEG) on a shared clock.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/record_writer.h"

namespace zav::test {

constexpr uint16_t kEeg64BlocksPerSecond = 32;
constexpr uint32_t kMarkerFirst = 64;   // shared clock sample of the first marker
constexpr uint32_t kMarkerEvery = 512;  // two seconds

inline RecordWriter eeg64SideWriter(const std::string& description) {
  const SignalList signals = {{"EEG", 32, 3, 8, 1},
                              {"ExG_B", 2, 3, 8, 1},
                              {"IMU_B", 9, 2, 1, 1},
                              {"FOT", 1, 3, 8, 1},
                              {"DIN", 3, 1, 8, 1}};
  return RecordWriter(signals, kEeg64BlocksPerSecond, description);
}

// The marker line at a shared-clock sample: each nibble's Hamming(7,4) codeword with bit 7 set, MSB first.
inline double markerBit(uint64_t sample) {
  static const uint8_t codewords[16] = {0, 112, 76, 60, 42, 90, 102, 22, 105, 25, 37, 85, 67, 51, 15, 127};
  if (sample < kMarkerFirst) return 0.0;
  const uint64_t row = (sample - kMarkerFirst) % kMarkerEvery;
  if (row >= 16) return 0.0;
  const auto code = static_cast<uint8_t>('A' + (sample - kMarkerFirst) / kMarkerEvery % 26);
  const unsigned bits = (0x80u | codewords[code >> 4]) << 8 | (0x80u | codewords[code & 0xF]);
  return (bits >> (15 - row)) & 1u;
}

// Block index of a side (0 left, 1 right) whose first sample is shared-clock sample start.
inline void eeg64SideBlock(int side, uint64_t index, uint64_t start, std::vector<double>& values) {
  std::size_t i = 0;
  const uint64_t first = start + index * 8;
  for (int channel = 0; channel < 32; ++channel)
    for (uint64_t s = 0; s < 8; ++s) {
      const double t = static_cast<double>(first + s) / 256.0;
      values[i++] = channel == 31 ? 120.0 * std::sin(0.7 * t) : 10.0 * side + channel + std::sin(60.0 * t);
    }
  for (int channel = 0; channel < 2; ++channel)
    for (uint64_t s = 0; s < 8; ++s)
      values[i++] = 5.0 * channel + side + std::cos(static_cast<double>(first + s));
  for (int channel = 0; channel < 9; ++channel) values[i++] = 0.25 * channel - side;
  for (uint64_t s = 0; s < 8; ++s) values[i++] = 1000.0 + static_cast<double>((first + s) % 50);
  for (int channel = 0; channel < 3; ++channel)
    for (uint64_t s = 0; s < 8; ++s) values[i++] = channel == 1 ? markerBit(first + s) : 0.0;
}

inline std::string eeg64SideFile(const RecordWriter& writer, int side, uint16_t first, std::size_t count,
                                 uint64_t start, uint16_t battery = 3900) {
  std::string bytes = writer.header();
  std::vector<double> values(writer.valueCount());
  for (std::size_t b = 0; b < count; ++b) {
    const auto sequence = static_cast<uint16_t>(first + b);
    eeg64SideBlock(side, sequence, start, values);
    bytes += writer.block(sequence, values, battery, 0);
  }
  return bytes;
}

}  // namespace zav::test

// One device of a 64-channel set for the alignment tests: its signals, and blocks whose DIN spells codes.
#pragma once

#include <cstdint>
#include <vector>

#include "multi/side_buffer.h"
#include "signal/signal_info.h"

namespace zav::test {

inline SignalList deviceSignals() {
  return {SignalInfo("EEG", 32, 3, 8, 1), SignalInfo("ExG_B", 2, 3, 8, 1), SignalInfo("IMU_B", 9, 2, 1, 1),
          SignalInfo("FOT", 1, 3, 8, 1),  SignalInfo("DIN", 3, 1, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};
}

// Writes the 16 rows of a marker code (two bytes, most significant bit first) at row.
inline void placeWord(std::vector<double>& bits, std::size_t row, uint16_t word) {
  for (int bit = 0; bit < 16; ++bit) bits[row + bit] = (word >> (15 - bit)) & 1;
}

using Marker = std::pair<std::size_t, uint8_t>;  // row, code

// Low rows but for marker codes: the Hamming(7,4) codeword of each nibble, each with its start bit.
inline std::vector<double> bitsWith(std::size_t rows, const std::vector<Marker>& markers) {
  static const uint8_t kCodewords[16] = {0, 112, 76, 60, 42, 90, 102, 22, 105, 25, 37, 85, 67, 51, 15, 127};
  std::vector<double> bits(rows, 0.0);
  for (const auto& [row, code] : markers)
    placeWord(bits, row,
              static_cast<uint16_t>((0x80 | kCodewords[code >> 4]) << 8 | 0x80 | kCodewords[code & 0x0F]));
  return bits;
}

// Pushes bits.size() / 8 blocks: EEG channel 0 holds the row number, DIN channel 1 the bits.
inline void pushRows(SideBuffer& side, const std::vector<double>& bits, uint16_t firstSequence = 0) {
  const SignalList signals = deviceSignals();
  std::vector<double> values(static_cast<std::size_t>(valuesPerBlock(signals)), 0.0);
  for (std::size_t block = 0; block * 8 + 8 <= bits.size(); ++block) {
    for (std::size_t s = 0; s < 8; ++s) {
      values[s] = static_cast<double>(block * 8 + s);
      values[256 + 16 + 9 + 8 + 8 + s] = bits[block * 8 + s];  // DIN channel 1
    }
    side.push(values, signals, static_cast<uint16_t>(firstSequence + block));
  }
}

}  // namespace zav::test

// Streams of one device of a 64-channel set for the alignment tests: a signal list like
// the real devices' and blocks whose digital input spells marker codes.
#pragma once

#include <cstdint>
#include <vector>

#include "multi/side_buffer.h"
#include "signal/signal_info.h"

namespace zav::test {

// EEG 32 x 8, ExG_B 2 x 8, IMU_B 9 x 1, FOT 1 x 8, DIN 3 x 8, uSD.
inline SignalList deviceSignals() {
  return {SignalInfo("EEG", 32, 3, 8, 1), SignalInfo("ExG_B", 2, 3, 8, 1), SignalInfo("IMU_B", 9, 2, 1, 1),
          SignalInfo("FOT", 1, 3, 8, 1),  SignalInfo("DIN", 3, 1, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};
}

// Writes the 16 rows of a marker code (two bytes, most significant bit first) at row.
inline void placeWord(std::vector<double>& bits, std::size_t row, uint16_t word) {
  for (int bit = 0; bit < 16; ++bit) bits[row + bit] = (word >> (15 - bit)) & 1;
}

// A marker code: the Hamming(7,4) codeword of each nibble, each with its start bit.
inline void placeCode(std::vector<double>& bits, std::size_t row, uint8_t code) {
  static const uint8_t kCodewords[16] = {0, 112, 76, 60, 42, 90, 102, 22, 105, 25, 37, 85, 67, 51, 15, 127};
  placeWord(bits, row,
            static_cast<uint16_t>((0x80 | kCodewords[code >> 4]) << 8 | 0x80 | kCodewords[code & 0x0F]));
}

// Pushes bits.size() / 8 whole blocks of deviceSignals(): EEG channel 0 holds the row number
// and DIN channel 1 the bits.
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

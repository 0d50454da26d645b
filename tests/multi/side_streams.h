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

// The Hamming(7,4) codeword of each nibble, with the start bit.
inline uint8_t codewordByte(uint8_t nibble) {
  static const uint8_t kCodewords[16] = {0, 112, 76, 60, 42, 90, 102, 22, 105, 25, 37, 85, 67, 51, 15, 127};
  return static_cast<uint8_t>(0x80 | kCodewords[nibble & 0x0F]);
}

// Writes the 16 rows of a marker code (two bytes, most significant bit first) at row.
inline void placeBytes(std::vector<double>& bits, std::size_t row, uint8_t high, uint8_t low) {
  for (int bit = 0; bit < 8; ++bit) {
    bits[row + bit] = (high >> (7 - bit)) & 1;
    bits[row + 8 + bit] = (low >> (7 - bit)) & 1;
  }
}

inline void placeCode(std::vector<double>& bits, std::size_t row, uint8_t code) {
  placeBytes(bits, row, codewordByte(code >> 4), codewordByte(code & 0x0F));
}

// Pushes bits.size() / 8 whole blocks of deviceSignals(): EEG channel 0 holds the row number
// counted from firstRow, every other EEG channel c holds c, and DIN channel 1 the bits.
inline void pushRows(SideBuffer& side, const std::vector<double>& bits, uint16_t firstSequence = 0,
                     double firstRow = 0) {
  const SignalList signals = deviceSignals();
  std::vector<double> values(static_cast<std::size_t>(valuesPerBlock(signals)), 0.0);
  const std::size_t dinChannel1 = 256 + 16 + 9 + 8 + 8;
  for (std::size_t block = 0; block * 8 + 8 <= bits.size(); ++block) {
    for (std::size_t s = 0; s < 8; ++s) {
      values[s] = firstRow + static_cast<double>(block * 8 + s);
      for (std::size_t c = 1; c < 32; ++c) values[c * 8 + s] = static_cast<double>(c);
      values[dinChannel1 + s] = bits[block * 8 + s];
    }
    side.push(values, signals, static_cast<uint16_t>(firstSequence + block));
  }
}

}  // namespace zav::test

// Marker codes in a stream of digital-input rows, one row at a time, as the two-device
// alignment finds them in its buffer: a high row starts a code of 16 rows (two Hamming
// codewords, most significant bit first); a high row inside those 16 starts nothing.
//
//     MarkerScanner scanner;
//     uint8_t code = 0;
//     uint64_t start = 0;
//     if (scanner.push(level > 0.0, code, start)) annotate(start, code);
#pragma once

#include <cstdint>

namespace zav {

class MarkerScanner {
 public:
  // Takes the next row; true when it completes a valid code, with the code and the
  // number of the row it started on (rows counted from 0).
  bool push(bool high, uint8_t& code, uint64_t& startRow);

 private:
  uint64_t row_ = 0;
  uint64_t start_ = 0;
  uint32_t collected_ = 0;  // rows of the current code so far; 0 when none is open
  uint32_t bits_ = 0;
};

}  // namespace zav

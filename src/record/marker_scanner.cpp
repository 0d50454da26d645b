#include "record/marker_scanner.h"

#include "multi/marker_code.h"

namespace zav {

bool MarkerScanner::push(bool high, uint8_t& code, uint64_t& startRow) {
  const uint64_t row = row_++;
  if (collected_ == 0) {
    if (!high) return false;
    start_ = row;
    collected_ = 1;
    bits_ = 1;
    return false;
  }
  bits_ = (bits_ << 1) | (high ? 1u : 0u);
  if (++collected_ < kMarkerRows) return false;
  collected_ = 0;
  uint8_t upper = 0;
  uint8_t lower = 0;
  if (!decodeCodeword(static_cast<uint8_t>(bits_ >> 8), upper) ||
      !decodeCodeword(static_cast<uint8_t>(bits_ & 0xFF), lower)) {
    return false;
  }
  code = static_cast<uint8_t>(upper * 16 + lower);
  startRow = start_;
  return true;
}

}  // namespace zav

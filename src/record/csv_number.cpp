#include "record/csv_number.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zav::csv {

namespace {

constexpr uint64_t kScale = 10000000000ULL;  // 10^10: ten decimals
// Below this magnitude the scaled value fits 64 bits and the exact path applies.
constexpr double kExactLimit = 1e9;

struct Wide {
  uint64_t high;
  uint64_t low;
};

Wide multiply(uint64_t a, uint64_t b) {
  const uint64_t aLow = a & 0xFFFFFFFFu;
  const uint64_t aHigh = a >> 32;
  const uint64_t bLow = b & 0xFFFFFFFFu;
  const uint64_t bHigh = b >> 32;
  const uint64_t lowLow = aLow * bLow;
  const uint64_t lowHigh = aLow * bHigh;
  const uint64_t highLow = aHigh * bLow;
  const uint64_t middle = (lowLow >> 32) + (lowHigh & 0xFFFFFFFFu) + (highLow & 0xFFFFFFFFu);
  return {aHigh * bHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32),
          (middle << 32) | (lowLow & 0xFFFFFFFFu)};
}

// round(magnitude x 10^10) with ties to even, computed exactly from the binary value.
// magnitude must be finite and below kExactLimit.
uint64_t scaledExactly(double magnitude) {
  uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  if (exponent >= 0) return (mantissa << exponent) * kScale;  // an integer below 10^9

  // magnitude x 10^10 = mantissa x 10^10 / 2^shift; the product stays below 2^87.
  const int shift = -exponent;
  if (shift >= 88) return 0;  // below half of the last decimal
  const Wide product = multiply(mantissa, kScale);
  uint64_t quotient = 0;
  bool aboveHalf = false;
  bool exactlyHalf = false;
  if (shift < 64) {
    quotient = (product.low >> shift) | (product.high << (64 - shift));
    const uint64_t remainder = product.low & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    aboveHalf = remainder > half;
    exactlyHalf = remainder == half;
  } else if (shift == 64) {
    quotient = product.high;
    aboveHalf = product.low > (uint64_t{1} << 63);
    exactlyHalf = product.low == (uint64_t{1} << 63);
  } else {
    const int highShift = shift - 64;
    quotient = product.high >> highShift;
    const uint64_t remainderHigh = product.high & ((uint64_t{1} << highShift) - 1);
    const uint64_t halfHigh = uint64_t{1} << (highShift - 1);
    aboveHalf = remainderHigh > halfHigh || (remainderHigh == halfHigh && product.low != 0);
    exactlyHalf = remainderHigh == halfHigh && product.low == 0;
  }
  if (aboveHalf || (exactlyHalf && (quotient & 1) != 0)) ++quotient;
  return quotient;
}

char* copyText(char* out, const char* text) {
  const std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void writePair(char* out, uint32_t two) {
  out[0] = kDigitPairs[two * 2];
  out[1] = kDigitPairs[two * 2 + 1];
}

// Exactly five digits of a value below 10^5, leading zeros kept.
void writeFiveDigits(char* out, uint32_t value) {
  out[0] = static_cast<char>('0' + value / 10000);
  value %= 10000;
  writePair(out + 1, value / 100);
  writePair(out + 3, value % 100);
}

// Exactly ten digits of a value below 10^10, leading zeros kept.
char* writeTenDigits(char* out, uint64_t value) {
  writeFiveDigits(out, static_cast<uint32_t>(value / 100000));
  writeFiveDigits(out + 5, static_cast<uint32_t>(value % 100000));
  return out + 10;
}

// The digits of a value below 10^10 without leading zeros (one digit for 0).
char* writeWhole(char* out, uint64_t value) {
  if (value < 10) {
    *out = static_cast<char>('0' + value);
    return out + 1;
  }
  if (value < 100) {
    writePair(out, static_cast<uint32_t>(value));
    return out + 2;
  }
  return std::to_chars(out, out + kMaxIntegerLength, value).ptr;
}

}  // namespace

char* formatFixed10(char* out, double value) {
  const bool negative = std::signbit(value);
  if (std::isnan(value)) return copyText(out, negative ? "-nan" : "nan");
  if (std::isinf(value)) return copyText(out, negative ? "-inf" : "inf");
  const double magnitude = std::fabs(value);
  if (magnitude >= kExactLimit) {
    return std::to_chars(out, out + kMaxFixedLength, value, std::chars_format::fixed, 10).ptr;
  }
  const uint64_t scaled = scaledExactly(magnitude);
  if (negative) *out++ = '-';
  out = writeWhole(out, scaled / kScale);
  *out++ = '.';
  return writeTenDigits(out, scaled % kScale);
}

char* formatInteger(char* out, int64_t value) {
  return std::to_chars(out, out + kMaxIntegerLength, value).ptr;
}

char* formatUnsigned(char* out, uint64_t value) {
  return std::to_chars(out, out + kMaxIntegerLength, value).ptr;
}

}  // namespace zav::csv

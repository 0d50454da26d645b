#include "record/csv_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace zav::csv {
namespace {

std::string fixed(double value) {
  char text[kMaxFixedLength];
  return std::string(text, formatFixed10(text, value));
}

std::string integer(int64_t value) {
  char text[kMaxIntegerLength];
  return std::string(text, formatInteger(text, value));
}

// What the random comparison below seldom or never meets: signs of zero, special values,
// exact ties and values a hair off the half.
TEST(CsvNumber, WritesSpecialValuesAndRoundsExactTiesToEvenAsPrintfDoes) {
  EXPECT_EQ(fixed(-0.0), "-0.0000000000");
  EXPECT_EQ(fixed(-1e-20), "-0.0000000000");  // the sign stays when the value rounds to zero
  EXPECT_EQ(fixed(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(fixed(-std::numeric_limits<double>::quiet_NaN()), "-nan");
  EXPECT_EQ(fixed(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(fixed(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(fixed(std::numeric_limits<double>::denorm_min()), "0.0000000000");
  EXPECT_EQ(fixed(std::numeric_limits<double>::max()).size(), 309u + 11u);
  // k / 2^11 with k odd lies exactly half-way between two ten-decimal numbers.
  EXPECT_EQ(fixed(std::ldexp(3.0, -11)), "0.0014648438");    // ...437.5 -> even 8
  EXPECT_EQ(fixed(-std::ldexp(5.0, -11)), "-0.0024414062");  // ...062.5 -> even 2
  EXPECT_EQ(fixed(0.00000000005), "0.0000000001");           // just above the half in binary
  EXPECT_EQ(fixed(0.99999999995), "0.9999999999");           // just below the half in binary
}

TEST(CsvNumber, MatchesTheLibraryConversionOverTheWholeRange) {
  std::mt19937_64 random(20240611);
  char expected[kMaxFixedLength + 1];
  auto agrees = [&](double value) {
    const auto end =
        std::to_chars(expected, expected + sizeof expected, value, std::chars_format::fixed, 10).ptr;
    return fixed(value) == std::string(expected, end);
  };
  int mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = random();
    double anyValue = 0.0;
    std::memcpy(&anyValue, &bits, sizeof anyValue);
    const double microvolts = std::uniform_real_distribution<double>(-3e5, 3e5)(random);
    const double small = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 100));
    for (double value : {anyValue, microvolts, small, -small}) {
      if (!std::isnan(value) && !agrees(value)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(CsvNumber, WritesIntegersInDecimal) {
  EXPECT_EQ(integer(-1), "-1");
  EXPECT_EQ(integer(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  char text[kMaxIntegerLength];
  EXPECT_EQ(std::string(text, formatUnsigned(text, 65535)), "65535");
}

}  // namespace
}  // namespace zav::csv

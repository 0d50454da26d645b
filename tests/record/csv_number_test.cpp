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

// The library conversion (ties to even) is the oracle, on random values and -0, NaN, inf, extremes and ties.
TEST(CsvNumber, MatchesTheLibraryConversionOverTheWholeRangeAndAtItsEdges) {
  using limits = std::numeric_limits<double>;
  char expected[kMaxFixedLength + 1];
  auto agrees = [&](double value) {
    const auto end =
        std::to_chars(expected, expected + sizeof expected, value, std::chars_format::fixed, 10).ptr;
    return fixed(value) == std::string(expected, end);
  };
  for (double value : {-0.0, -1e-20, limits::quiet_NaN(), -limits::quiet_NaN(), limits::infinity(),
                       -limits::infinity(), limits::denorm_min(), limits::max(), -limits::max(),
                       std::ldexp(3.0, -11), -std::ldexp(5.0, -11), 0.00000000005, 0.99999999995}) {
    EXPECT_TRUE(agrees(value)) << fixed(value);
  }
  std::mt19937_64 random(20240611);
  int mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = random();
    double anyValue = 0.0;
    std::memcpy(&anyValue, &bits, sizeof anyValue);
    const double microvolts = std::uniform_real_distribution<double>(-3e5, 3e5)(random);
    const double small = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 100));
    for (double value : {anyValue, microvolts, small, -small})
      if (!std::isnan(value) && !agrees(value)) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
}

// Plain integers show in every CSV row; the one that has no positive counterpart does not.
TEST(CsvNumber, WritesTheSmallestIntegerInDecimal) {
  char text[kMaxIntegerLength];
  EXPECT_EQ(std::string(text, formatInteger(text, std::numeric_limits<int64_t>::min())),
            "-9223372036854775808");
}

}  // namespace
}  // namespace zav::csv

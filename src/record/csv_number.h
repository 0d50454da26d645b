// Number text for the CSV files, written without streams: the bytes are the same on every
// platform and match what printf("%.10f") gives with glibc.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zav::csv {

// Longest text formatFixed10 writes: sign, 309 integer digits, point, 10 decimals.
constexpr std::size_t kMaxFixedLength = 1 + 309 + 1 + 10;
// Longest text of a 64-bit integer.
constexpr std::size_t kMaxIntegerLength = 20;

// Writes value with exactly 10 digits after the point, correctly rounded (ties to even),
// "nan", "-nan", "inf" or "-inf" for the special values; returns the end of the text.
// out must have room for kMaxFixedLength characters.
char* formatFixed10(char* out, double value);

// Decimal integers; out must have room for kMaxIntegerLength characters.
char* formatInteger(char* out, int64_t value);
char* formatUnsigned(char* out, uint64_t value);

}  // namespace zav::csv

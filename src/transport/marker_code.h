// The marker code schedule that the two simulated devices of a 64-channel set write on
// their digital input, as the real set receives it from its marker generator: every period
// a new 8-bit code, sent as a high start row followed by the Hamming(7,4) codewords of its
// two nibbles, most significant bit first, 16 rows in all; low otherwise.
//
// Timing comes from wall-clock time alone, counted in samples since 1970 on the device's
// sample grid, so two devices started at different moments send the same code on the
// same sample.
//
//     const int64_t period = markerPeriodSamples(2.0, 256);
//     bool high = markerLevel(sampleSince1970, period);
#pragma once

#include <cstdint>

namespace zav {

constexpr int64_t kMarkerRows = 16;

// The codeword of a nibble: its 7-bit Hamming(7,4) code with bit 7 set (the start row).
uint8_t markerCodeword(uint8_t nibble);
// The code sent in a period, numbered from 1970 on; consecutive periods never share a code.
uint8_t scheduledMarkerCode(int64_t period);
// Samples per period for a period in seconds at a sample rate (rounded to whole samples).
int64_t markerPeriodSamples(double seconds, int64_t sampleRate);
// The level of the marker line at a sample of the grid.
bool markerLevel(int64_t sample, int64_t periodSamples);

}  // namespace zav

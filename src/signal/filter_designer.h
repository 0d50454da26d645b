// Recursive (IIR) filter design after Tony Fisher's mkfilter: prototype poles in the s-plane,
// pre-warped and transformed to the wanted response, mapped to the z-plane by the bilinear
// transform and expanded into the coefficients of a recurrence.
//
//     std::vector<double> x(64), y(64);
//     int32_t numZeros = 0, numPoles = 0;
//     double gain = 0.0;
//     if (designFilter(kButterworth, kBandpass, 4, 70.0 / 256, 90.0 / 256, -1.0,
//                      numZeros, x, numPoles, y, gain)) {
//       // y[n] = sum x[i] * input[n - numZeros + i] / gain + sum y[i] * y[n - numPoles + i]
//     }
//
// Every design keeps its working storage to itself, so designs may run on several threads.
#pragma once

#include <cstdint>
#include <vector>

namespace zav {

enum FilterPrototype : int32_t { kBessel = 0, kButterworth = 1, kChebyshev = 2 };

enum FilterType : int32_t { kLowpass = 0, kHighpass = 1, kBandpass = 2, kBandstop = 3, kAllpass = 4 };

// Most poles (and most zeros) one design may have.
constexpr int32_t kMaxFilterPoles = 512;

// Designs a filter of the prototype and type. alpha1 and alpha2 are the corner frequencies
// as fractions of the sampling rate (alpha2 only for bandpass and bandstop); ripple is the
// Chebyshev pass-band ripple in dB (negative), ignored by the other prototypes.
//
// On success fills numZeros and xCoeffs[0..numZeros], numPoles and yCoeffs[0..numPoles]
// (the last is -1) and gain, and returns true. The coefficient vectors are the caller's
// storage: their sizes are the capacity, and they are never grown. An impossible request
// (a ripple that is not negative, a Bessel order outside 1 to 10, corners outside 0 to 0.5,
// more coefficients than the storage holds, a polynomial that is not real) writes one
// "mkfilter: ..." line on standard error and returns false, leaving the outputs untouched.
bool designFilter(int32_t prototype, int32_t type, int32_t order, double alpha1, double alpha2,
                  double ripple, int32_t& numZeros, std::vector<double>& xCoeffs, int32_t& numPoles,
                  std::vector<double>& yCoeffs, double& gain);

}  // namespace zav

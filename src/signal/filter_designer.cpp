#include "signal/filter_designer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "signal/bessel_poles.h"

namespace zav {
namespace {

using Complex = std::complex<double>;

constexpr double kPi = 3.141592653589793;
// A coefficient with a larger imaginary part means the roots were not conjugate pairs.
constexpr double kImaginaryTolerance = 1e-10;

// The roots of one design, in the s-plane and then in the z-plane. Local to the design so
// that designs on different threads share nothing.
struct Roots {
  std::vector<Complex> poles;
  std::vector<Complex> zeros;
};

bool isBandType(int32_t type) { return type == kBandpass || type == kBandstop; }

// Refuses what the method cannot design, before any storage is sized from the order.
bool checkRequest(int32_t prototype, int32_t type, int32_t order, double alpha1, double alpha2) {
  if (prototype < kBessel || prototype > kChebyshev) {
    std::fprintf(stderr, "mkfilter: unknown prototype %d\n", static_cast<int>(prototype));
    return false;
  }
  if (type < kLowpass || type > kAllpass) {
    std::fprintf(stderr, "mkfilter: unknown filter type %d\n", static_cast<int>(type));
    return false;
  }
  if (order < 1) {
    std::fprintf(stderr, "mkfilter: order is %d; must be .ge. 1\n", static_cast<int>(order));
    return false;
  }
  if (prototype == kBessel && order > detail::kBesselMaxOrder) {
    std::fprintf(stderr, "mkfilter: Bessel order is %d; must be in range 1 .. %d\n", static_cast<int>(order),
                 detail::kBesselMaxOrder);
    return false;
  }
  const int64_t poles = isBandType(type) ? 2 * int64_t{order} : int64_t{order};
  if (poles > kMaxFilterPoles) {
    std::fprintf(stderr, "mkfilter: order %d needs %lld poles; at most %d fit\n", static_cast<int>(order),
                 static_cast<long long>(poles), static_cast<int>(kMaxFilterPoles));
    return false;
  }
  if (!(alpha1 > 0.0 && alpha1 < 0.5)) {
    std::fprintf(stderr, "mkfilter: alpha1 is %g; must be .gt. 0.0 and .lt. 0.5\n", alpha1);
    return false;
  }
  // The allpass gain is taken between the two corners, so its alpha2 counts too.
  const double lowest = isBandType(type) ? alpha1 : 0.0;
  if ((isBandType(type) || type == kAllpass) && !(alpha2 > lowest && alpha2 < 0.5)) {
    std::fprintf(stderr, "mkfilter: alpha2 is %g; must be .gt. %g and .lt. 0.5\n", alpha2, lowest);
    return false;
  }
  return true;
}

// Butterworth poles on the unit circle, the left half-plane ones only.
void placeButterworth(int32_t order, std::vector<Complex>& poles) {
  for (int32_t i = 0; i < 2 * order; ++i) {
    const double theta = (order % 2 == 1) ? i * kPi / order : (i + 0.5) * kPi / order;
    const Complex pole(std::cos(theta), std::sin(theta));
    if (pole.real() < 0.0) poles.push_back(pole);
  }
}

// Squeezes the Butterworth circle into the Chebyshev ellipse for the ripple.
bool shapeChebyshev(int32_t order, double ripple, std::vector<Complex>& poles) {
  if (!(ripple < 0.0)) {
    std::fprintf(stderr, "mkfilter: Chebyshev ripple is %g dB; must be .lt. 0.0\n", ripple);
    return false;
  }
  const double y = std::asinh(1.0 / std::sqrt(std::pow(10.0, -ripple / 10.0) - 1.0)) / order;
  if (!(y > 0.0)) {
    std::fprintf(stderr, "mkfilter: bug: Chebyshev y=%g; must be .gt. 0.0\n", y);
    return false;
  }
  for (Complex& pole : poles) pole = Complex(pole.real() * std::sinh(y), pole.imag() * std::cosh(y));
  return true;
}

void placeBessel(int32_t order, std::vector<Complex>& poles) {
  int32_t entry = order * order / 4;
  if (order % 2 == 1) {
    poles.emplace_back(detail::kBesselPoles[entry].re, detail::kBesselPoles[entry].im);
    ++entry;
  }
  for (int32_t pair = 0; pair < order / 2; ++pair, ++entry) {
    const Complex pole(detail::kBesselPoles[entry].re, detail::kBesselPoles[entry].im);
    poles.push_back(pole);
    poles.push_back(std::conj(pole));
  }
}

bool placePrototype(int32_t prototype, int32_t order, double ripple, std::vector<Complex>& poles) {
  if (prototype == kBessel) {
    placeBessel(order, poles);
    return true;
  }
  placeButterworth(order, poles);
  return prototype != kChebyshev || shapeChebyshev(order, ripple, poles);
}

// Moves the lowpass prototype at 1 rad/s to the pre-warped corners of the wanted response.
void transform(int32_t type, double alpha1, double alpha2, Roots& s) {
  const double warped1 = 2.0 * kPi * (std::tan(kPi * alpha1) / kPi);
  const double warped2 = 2.0 * kPi * (std::tan(kPi * alpha2) / kPi);
  std::vector<Complex>& poles = s.poles;
  const std::size_t prototypePoles = poles.size();
  switch (type) {
    case kLowpass:
      for (Complex& pole : poles) pole *= warped1;
      break;
    case kHighpass:
      for (Complex& pole : poles) pole = warped1 / pole;
      s.zeros.assign(prototypePoles, Complex(0.0));
      break;
    case kBandpass:
    case kBandstop: {
      const double centre = std::sqrt(warped1 * warped2);
      const double halfWidth = 0.5 * (warped2 - warped1);
      poles.resize(2 * prototypePoles);
      for (std::size_t i = 0; i < prototypePoles; ++i) {
        const Complex h = (type == kBandpass) ? poles[i] * halfWidth : halfWidth / poles[i];
        const Complex t = std::sqrt(1.0 - (centre / h) * (centre / h));
        poles[i] = h * (1.0 + t);
        poles[prototypePoles + i] = h * (1.0 - t);
      }
      if (type == kBandpass) {
        s.zeros.assign(prototypePoles, Complex(0.0));
      } else {
        for (std::size_t i = 0; i < prototypePoles; ++i) {
          s.zeros.emplace_back(0.0, centre);
          s.zeros.emplace_back(0.0, -centre);
        }
      }
      break;
    }
    default:  // allpass keeps the prototype
      break;
  }
}

// Maps s to z = (2 + s) / (2 - s) and puts the missing zeros at z = -1.
void bilinear(Roots& roots) {
  for (Complex& pole : roots.poles) pole = (2.0 + pole) / (2.0 - pole);
  for (Complex& zero : roots.zeros) zero = (2.0 + zero) / (2.0 - zero);
  roots.zeros.resize(roots.poles.size(), Complex(-1.0));
}

// Coefficients of the product of (z - root), lowest power first; false when not real.
bool expand(const std::vector<Complex>& roots, std::vector<Complex>& coeffs) {
  coeffs.assign(roots.size() + 1, Complex(0.0));
  coeffs[0] = 1.0;
  for (std::size_t k = 0; k < roots.size(); ++k) {
    const Complex negated = -roots[k];
    for (std::size_t i = k + 1; i >= 1; --i) coeffs[i] = negated * coeffs[i] + coeffs[i - 1];
    coeffs[0] = negated * coeffs[0];
  }
  for (std::size_t i = 0; i < coeffs.size(); ++i) {
    if (std::fabs(coeffs[i].imag()) > kImaginaryTolerance) {
      std::fprintf(stderr, "mkfilter: coeff of z^%d is not real; poles/zeros are not complex conjugates\n",
                   static_cast<int>(i));
      return false;
    }
  }
  return true;
}

Complex evaluate(const std::vector<Complex>& coeffs, Complex z) {
  Complex sum(0.0);
  for (std::size_t i = coeffs.size(); i-- > 0;) sum = sum * z + coeffs[i];
  return sum;
}

Complex response(const std::vector<Complex>& top, const std::vector<Complex>& bottom, Complex z) {
  return evaluate(top, z) / evaluate(bottom, z);
}

double normalisingGain(int32_t type, double alpha1, double alpha2, const std::vector<Complex>& top,
                       const std::vector<Complex>& bottom) {
  const Complex dc = response(top, bottom, Complex(1.0));
  const Complex high = response(top, bottom, Complex(-1.0));
  const double theta = kPi * (alpha1 + alpha2);
  const Complex centre = response(top, bottom, Complex(std::cos(theta), std::sin(theta)));
  switch (type) {
    case kLowpass:
      return std::abs(dc);
    case kHighpass:
      return std::abs(high);
    case kBandstop:
      return std::abs(std::sqrt(dc * high));
    default:  // bandpass and allpass
      return std::abs(centre);
  }
}

}  // namespace

bool designFilter(int32_t prototype, int32_t type, int32_t order, double alpha1, double alpha2,
                  double ripple, int32_t& numZeros, std::vector<double>& xCoeffs, int32_t& numPoles,
                  std::vector<double>& yCoeffs, double& gain) {
  if (!checkRequest(prototype, type, order, alpha1, alpha2)) return false;

  Roots roots;
  roots.poles.reserve(isBandType(type) ? 2 * order : order);
  roots.zeros.reserve(roots.poles.capacity());
  if (!placePrototype(prototype, order, ripple, roots.poles)) return false;
  transform(type, alpha1, alpha2, roots);
  bilinear(roots);

  const std::size_t count = roots.poles.size();
  if (count + 1 > xCoeffs.size() || count + 1 > yCoeffs.size()) {
    std::fprintf(stderr, "mkfilter: %d coefficients do not fit in storage for %d\n",
                 static_cast<int>(count + 1), static_cast<int>(std::min(xCoeffs.size(), yCoeffs.size())));
    return false;
  }

  std::vector<Complex> top;
  std::vector<Complex> bottom;
  if (!expand(roots.zeros, top) || !expand(roots.poles, bottom)) return false;

  const double designedGain = normalisingGain(type, alpha1, alpha2, top, bottom);
  if (!(std::isfinite(designedGain) && designedGain > 0.0)) {
    std::fprintf(stderr, "mkfilter: gain is %g; must be finite and .gt. 0.0\n", designedGain);
    return false;
  }

  const double leading = bottom[count].real();
  for (std::size_t i = 0; i <= count; ++i) {
    xCoeffs[i] = top[i].real() / leading;
    yCoeffs[i] = -(bottom[i].real() / leading);
  }
  numZeros = static_cast<int32_t>(count);
  numPoles = static_cast<int32_t>(count);
  gain = designedGain;
  return true;
}

}  // namespace zav

// Reference designs computed by SciPy (tests/data/filters/make_fixture.py writes them and
// documents how each quantity is normalised).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace zav::test {

struct ScipyDesign {
  std::string label;
  int32_t prototype, type, order;
  double f1, f2, sampleRate, alpha1, alpha2, ripple;
  std::vector<double> b;  // numerator in powers of 1/z, |H| = 1 where the designer normalises
  std::vector<double> a;  // denominator in powers of 1/z, a[0] = 1
};
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(ScipyDesign, label, prototype, type, order, f1, f2, sampleRate, alpha1,
                                   alpha2, ripple, b, a)

inline std::string testDataFolder() {
  const char* folder = std::getenv("ZAV_TEST_DATA");
  if (folder != nullptr && *folder != '\0') return folder;
  return ZAV_TEST_DATA_DIR;
}

inline std::vector<ScipyDesign> loadScipyDesigns() {
  std::ifstream in(testDataFolder() + "/filters/designs.json");
  EXPECT_TRUE(in.good()) << "cannot open " << testDataFolder() << "/filters/designs.json";
  if (!in.good()) return {};
  return nlohmann::json::parse(in).at("cases").get<std::vector<ScipyDesign>>();
}

// Relative agreement of one coefficient; an exact zero (the odd powers of a bandpass
// numerator) is held to the polynomial's scale instead of to itself.
inline ::testing::AssertionResult closeCoefficient(double actual, double expected, double scale) {
  const double tolerance = 1e-9 * std::fmax(std::fabs(expected), 1e-3 * scale);
  if (std::fabs(actual - expected) <= tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " vs " << expected << " (relative error "
                                       << std::fabs(actual - expected) / std::fabs(expected) << ")";
}

// Compares a design's recurrence (x coefficients over gain, y coefficients, both highest
// power of z first) with SciPy's b and a (lowest power of 1/z first, which is the same order).
// The designer takes its gain from the expanded polynomials, as the method does; close to
// the unit circle that costs a few 1e-10 (70-90 Hz at 1000 samples/s), inside the 1e-9 here.
inline void expectSameAsScipy(const ScipyDesign& design, int32_t numPoles, const std::vector<double>& xCoeffs,
                              const std::vector<double>& yCoeffs, double gain) {
  SCOPED_TRACE(design.label);
  ASSERT_EQ(static_cast<std::size_t>(numPoles) + 1, design.a.size());
  ASSERT_EQ(design.a.size(), design.b.size());
  double aScale = 0.0;
  double bScale = 0.0;
  for (std::size_t k = 0; k < design.a.size(); ++k) {
    aScale = std::fmax(aScale, std::fabs(design.a[k]));
    bScale = std::fmax(bScale, std::fabs(design.b[k]));
  }
  EXPECT_EQ(yCoeffs[numPoles], -1.0);
  for (int32_t k = 0; k <= numPoles; ++k) {
    // Recurrence y[n] = sum y_i y[n - N + i] is the denominator 1 - sum y_i z^(i - N).
    EXPECT_TRUE(closeCoefficient(-yCoeffs[numPoles - k], design.a[k], aScale)) << "a[" << k << "]";
    EXPECT_TRUE(closeCoefficient(xCoeffs[numPoles - k] / gain, design.b[k], bScale)) << "b[" << k << "]";
  }
}

}  // namespace zav::test

#include "signal/filter_designer.h"

#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "signal/scipy_designs.h"

namespace zav {
namespace {

struct Outcome {
  bool designed = false;
  int32_t numZeros = -7;
  int32_t numPoles = -7;
  std::vector<double> x;
  std::vector<double> y;
  double gain = -7.0;
  std::string errors;  // what went to standard error
};

// Standard error is captured only on the main thread: the capture is not thread-safe.
Outcome design(int32_t prototype, int32_t type, int32_t order, double alpha1, double alpha2, double ripple,
               std::size_t capacity = 64, bool capture = true) {
  Outcome outcome;
  outcome.x.assign(capacity, -7.0);
  outcome.y.assign(capacity, -7.0);
  if (capture) ::testing::internal::CaptureStderr();
  outcome.designed = designFilter(prototype, type, order, alpha1, alpha2, ripple, outcome.numZeros, outcome.x,
                                  outcome.numPoles, outcome.y, outcome.gain);
  if (capture) outcome.errors = ::testing::internal::GetCapturedStderr();
  return outcome;
}

auto results(const Outcome& o) {
  return std::tie(o.designed, o.numZeros, o.numPoles, o.x, o.y, o.gain);
}

TEST(FilterDesigner, AgreesWithScipyOnEveryPrototypeAndType) {
  const std::vector<test::ScipyDesign> designs = test::loadScipyDesigns();
  ASSERT_GE(designs.size(), 30u);
  for (const test::ScipyDesign& reference : designs) {
    const Outcome outcome = design(reference.prototype, reference.type, reference.order, reference.alpha1,
                                   reference.alpha2, reference.ripple);
    ASSERT_TRUE(outcome.designed) << reference.label << ": " << outcome.errors;
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.numZeros, outcome.numPoles);
    test::expectSameAsScipy(reference, outcome.numPoles, outcome.x, outcome.y, outcome.gain);
    // Entries past the design stay as the caller left them.
    EXPECT_EQ(outcome.x[outcome.numPoles + 1], -7.0);
    EXPECT_EQ(outcome.y[outcome.numPoles + 1], -7.0);
  }
}

TEST(FilterDesigner, RefusesImpossibleRequestsWithAMessageAndWithoutEndingTheProcess) {
  struct Refusal {
    Outcome outcome;
    std::string message;
  };
  const double pass = 0.1;
  const double stop = 0.2;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Each message follows "mkfilter: " and ends the line.
  const Refusal refusals[] = {
      {design(kChebyshev, kLowpass, 4, pass, stop, 0.0), "Chebyshev ripple is 0 dB; must be .lt. 0.0"},
      {design(kChebyshev, kLowpass, 4, pass, stop, 0.5), "Chebyshev ripple is 0.5 dB; must be .lt. 0.0"},
      {design(kChebyshev, kBandpass, 2, pass, stop, nan), "Chebyshev ripple is nan dB; must be .lt. 0.0"},
      {design(kChebyshev, kLowpass, 3, pass, stop, -4000.0), "bug: Chebyshev y=0; must be .gt. 0.0"},
      {design(kBessel, kLowpass, 11, pass, stop, -1.0), "Bessel order is 11; must be in range 1 .. 10"},
      {design(kBessel, kHighpass, 0, pass, stop, -1.0), "order is 0; must be .ge. 1"},
      {design(kButterworth, kLowpass, -3, pass, stop, -1.0), "order is -3; must be .ge. 1"},
      {design(kButterworth, kBandpass, 32, pass, stop, -1.0), "65 coefficients do not fit in storage for 64"},
      {design(kButterworth, kBandstop, 257, pass, stop, -1.0, 1024),
       "order 257 needs 514 poles; at most 512 fit"},
      {design(kButterworth, kLowpass, 2, 0.5, 0.5, -1.0), "alpha1 is 0.5; must be .gt. 0.0 and .lt. 0.5"},
      {design(kButterworth, kHighpass, 2, nan, 0.2, -1.0), "alpha1 is nan; must be .gt. 0.0 and .lt. 0.5"},
      {design(kButterworth, kBandpass, 2, stop, pass, -1.0), "alpha2 is 0.1; must be .gt. 0.2 and .lt. 0.5"},
      {design(3, kLowpass, 2, pass, stop, -1.0), "unknown prototype 3"},
      {design(kButterworth, 5, 2, pass, stop, -1.0), "unknown filter type 5"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.message);
    EXPECT_FALSE(refusal.outcome.designed);
    EXPECT_EQ(refusal.outcome.errors, "mkfilter: " + refusal.message + "\n");
    EXPECT_EQ(refusal.outcome.numZeros, -7) << "outputs stay untouched";
    EXPECT_EQ(refusal.outcome.numPoles, -7);
    EXPECT_EQ(refusal.outcome.gain, -7.0);
    EXPECT_EQ(refusal.outcome.x[0], -7.0);
    EXPECT_EQ(refusal.outcome.y[0], -7.0);
  }
}

TEST(FilterDesigner, RefusesAPolynomialWhoseRoundingLeavesItNotReal) {
  // The expanded coefficients of a high-order band grow past 1e20, where rounding alone
  // leaves imaginary parts far above the method's 1e-10.
  const Outcome outcome = design(kButterworth, kBandpass, 100, 0.1, 0.2, -1.0, 512);
  EXPECT_FALSE(outcome.designed);
  EXPECT_EQ(outcome.errors.rfind("mkfilter: coeff of z^", 0), 0u) << outcome.errors;
  EXPECT_NE(outcome.errors.find(" is not real; poles/zeros are not complex conjugates\n"), std::string::npos);
  EXPECT_EQ(outcome.numPoles, -7);
}

// The method keeps its working state in globals; concurrent designs must not share it.
TEST(FilterDesigner, DesignsOnSeveralThreadsAtOnceAgreeWithDesignsOneAtATime) {
  const auto request = [](int t) {
    if (t == 0) return design(kButterworth, kBandpass, 4, 0.27, 0.35, -1.0, 64, false);
    if (t == 1) return design(kChebyshev, kBandstop, 3, 0.1, 0.12, -0.5, 64, false);
    if (t == 2) return design(kBessel, kHighpass, 7, 0.05, 0.05, -1.0, 64, false);
    return design(kButterworth, kLowpass, 9, 0.3, 0.3, -1.0, 64, false);
  };
  std::vector<Outcome> alone;
  for (int t = 0; t < 4; ++t) alone.push_back(request(t));
  for (const Outcome& outcome : alone) ASSERT_TRUE(outcome.designed);
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 300; ++round) mismatches[t] += results(request(t)) != results(alone[t]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace zav

#include "signal/filter_designer.h"

#include <cmath>
#include <limits>
#include <string>
#include <thread>
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

Outcome design(int32_t prototype, int32_t type, int32_t order, double alpha1, double alpha2, double ripple,
               std::size_t capacity = 64) {
  Outcome outcome;
  outcome.x.assign(capacity, -7.0);
  outcome.y.assign(capacity, -7.0);
  ::testing::internal::CaptureStderr();
  outcome.designed = designFilter(prototype, type, order, alpha1, alpha2, ripple, outcome.numZeros, outcome.x,
                                  outcome.numPoles, outcome.y, outcome.gain);
  outcome.errors = ::testing::internal::GetCapturedStderr();
  return outcome;
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
    EXPECT_EQ(outcome.x[outcome.numPoles + 1], -7.0) << "entries past the design stay as the caller left them";
    EXPECT_EQ(outcome.y[outcome.numPoles + 1], -7.0);
  }
}

TEST(FilterDesigner, RefusesImpossibleRequestsWithAMessageAndWithoutEndingTheProcess) {
  struct Refusal {
    const char* what;
    Outcome outcome;
    std::string message;
  };
  const double pass = 0.1;
  const double stop = 0.2;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Refusal refusals[] = {
      {"zero ripple", design(kChebyshev, kLowpass, 4, pass, stop, 0.0),
       "mkfilter: Chebyshev ripple is 0 dB; must be .lt. 0.0\n"},
      {"positive ripple", design(kChebyshev, kLowpass, 4, pass, stop, 0.5),
       "mkfilter: Chebyshev ripple is 0.5 dB; must be .lt. 0.0\n"},
      {"ripple not a number", design(kChebyshev, kBandpass, 2, pass, stop, nan),
       "mkfilter: Chebyshev ripple is nan dB; must be .lt. 0.0\n"},
      {"ripple too deep for doubles", design(kChebyshev, kLowpass, 3, pass, stop, -4000.0),
       "mkfilter: bug: Chebyshev y=0; must be .gt. 0.0\n"},
      {"Bessel order 11", design(kBessel, kLowpass, 11, pass, stop, -1.0),
       "mkfilter: Bessel order is 11; must be in range 1 .. 10\n"},
      {"order 0", design(kBessel, kHighpass, 0, pass, stop, -1.0), "mkfilter: order is 0; must be .ge. 1\n"},
      {"negative order", design(kButterworth, kLowpass, -3, pass, stop, -1.0),
       "mkfilter: order is -3; must be .ge. 1\n"},
      {"bandpass of order 32 in 64 coefficients", design(kButterworth, kBandpass, 32, pass, stop, -1.0),
       "mkfilter: 65 coefficients do not fit in storage for 64\n"},
      {"more poles than the working storage", design(kButterworth, kBandstop, 257, pass, stop, -1.0, 1024),
       "mkfilter: order 257 needs 514 poles; at most 512 fit\n"},
      {"corner at half the sampling rate", design(kButterworth, kLowpass, 2, 0.5, 0.5, -1.0),
       "mkfilter: alpha1 is 0.5; must be .gt. 0.0 and .lt. 0.5\n"},
      {"corner not a number", design(kButterworth, kHighpass, 2, nan, 0.2, -1.0),
       "mkfilter: alpha1 is nan; must be .gt. 0.0 and .lt. 0.5\n"},
      {"band upside down", design(kButterworth, kBandpass, 2, stop, pass, -1.0),
       "mkfilter: alpha2 is 0.1; must be .gt. 0.2 and .lt. 0.5\n"},
      {"unknown prototype", design(3, kLowpass, 2, pass, stop, -1.0), "mkfilter: unknown prototype 3\n"},
      {"unknown type", design(kButterworth, 5, 2, pass, stop, -1.0), "mkfilter: unknown filter type 5\n"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    EXPECT_FALSE(refusal.outcome.designed);
    EXPECT_EQ(refusal.outcome.errors, refusal.message);
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

TEST(FilterDesigner, DesignsOnSeveralThreadsAtOnceAgreeWithDesignsOneAtATime) {
  struct Request {
    int32_t prototype, type, order;
    double alpha1, alpha2, ripple;
  };
  const Request requests[] = {{kButterworth, kBandpass, 4, 0.27, 0.35, -1.0},
                              {kChebyshev, kBandstop, 3, 0.1, 0.12, -0.5},
                              {kBessel, kHighpass, 7, 0.05, 0.05, -1.0},
                              {kButterworth, kLowpass, 9, 0.3, 0.3, -1.0}};
  constexpr int kRequests = 4;
  std::vector<Outcome> alone;
  for (const Request& r : requests) alone.push_back(design(r.prototype, r.type, r.order, r.alpha1, r.alpha2, r.ripple));

  std::vector<int> mismatches(kRequests, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kRequests; ++t) {
    threads.emplace_back([&, t] {
      const Request& r = requests[t];
      for (int round = 0; round < 300; ++round) {
        int32_t numZeros = 0, numPoles = 0;
        double gain = 0.0;
        std::vector<double> x(64, -7.0), y(64, -7.0);
        const bool designed =
            designFilter(r.prototype, r.type, r.order, r.alpha1, r.alpha2, r.ripple, numZeros, x, numPoles, y, gain);
        if (!designed || numPoles != alone[t].numPoles || gain != alone[t].gain || x != alone[t].x ||
            y != alone[t].y) {
          ++mismatches[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kRequests; ++t) EXPECT_EQ(mismatches[t], 0) << "request " << t;
}

}  // namespace
}  // namespace zav

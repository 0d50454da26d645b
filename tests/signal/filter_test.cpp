#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "signal/channel_filter.h"
#include "signal/filter_designer.h"

namespace zav {
namespace {

// Reference designs by SciPy (tests/data/filters/make_fixture.py documents their normalisation).
struct ScipyDesign {
  std::string label;
  int32_t prototype, type, order;
  double f1, f2, sampleRate, alpha1, alpha2, ripple;
  std::vector<double> b;  // numerator in powers of 1/z, |H| = 1 where the designer normalises
  std::vector<double> a;  // denominator in powers of 1/z, a[0] = 1
};
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(ScipyDesign, label, prototype, type, order, f1, f2, sampleRate, alpha1,
                                   alpha2, ripple, b, a)

std::vector<ScipyDesign> loadScipyDesigns() {
  std::ifstream in(ZAV_TEST_DATA_DIR "/filters/designs.json");
  return nlohmann::json::parse(in).at("cases").get<std::vector<ScipyDesign>>();
}

// Coefficients agree to 1e-9 relative (the gain costs a few 1e-10 near the unit circle), zeros to scale.
void expectSameAsScipy(const ScipyDesign& design, int32_t numPoles, const std::vector<double>& xCoeffs,
                       const std::vector<double>& yCoeffs, double gain) {
  SCOPED_TRACE(design.label);
  ASSERT_EQ(static_cast<std::size_t>(numPoles) + 1, design.a.size());
  const auto tolerance = [](double expected, const std::vector<double>& all) {
    const auto [low, high] = std::minmax_element(all.begin(), all.end());
    return 1e-9 * std::fmax(std::fabs(expected), 1e-3 * std::fmax(-*low, *high));
  };
  for (int32_t k = 0; k <= numPoles; ++k) {
    // Recurrence y[n] = sum y_i y[n - N + i] is the denominator 1 - sum y_i z^(i - N).
    EXPECT_NEAR(-yCoeffs[numPoles - k], design.a[k], tolerance(design.a[k], design.a)) << "a[" << k << "]";
    EXPECT_NEAR(xCoeffs[numPoles - k] / gain, design.b[k], tolerance(design.b[k], design.b))
        << "b[" << k << "]";
  }
}

struct Outcome {
  bool designed = false;
  int32_t numZeros = -7, numPoles = -7;
  std::vector<double> x, y;
  double gain = -7.0;
  std::string errors;  // what went to standard error
  auto results() const { return std::tie(designed, numZeros, numPoles, x, y, gain); }
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

TEST(FilterDesigner, AgreesWithScipyOnEveryPrototypeAndType) {
  for (const ScipyDesign& reference : loadScipyDesigns()) {
    const Outcome outcome = design(reference.prototype, reference.type, reference.order, reference.alpha1,
                                   reference.alpha2, reference.ripple);
    ASSERT_TRUE(outcome.designed) << reference.label << ": " << outcome.errors;
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.numZeros, outcome.numPoles);
    expectSameAsScipy(reference, outcome.numPoles, outcome.x, outcome.y, outcome.gain);
    const std::size_t past = outcome.numPoles + 1;
    EXPECT_EQ(std::make_pair(outcome.x[past], outcome.y[past]), std::make_pair(-7.0, -7.0)) << "untouched";
  }
}

TEST(FilterDesigner, RefusesImpossibleRequestsWithAMessageAndWithoutEndingTheProcess) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<Outcome, std::string> refusals[] = {
      {design(kChebyshev, kLowpass, 4, 0.1, 0.2, 0.0), "Chebyshev ripple is 0 dB; must be .lt. 0.0"},
      {design(kChebyshev, kLowpass, 4, 0.1, 0.2, 0.5), "Chebyshev ripple is 0.5 dB; must be .lt. 0.0"},
      {design(kChebyshev, kBandpass, 2, 0.1, 0.2, nan), "Chebyshev ripple is nan dB; must be .lt. 0.0"},
      {design(kChebyshev, kLowpass, 3, 0.1, 0.2, -4000.0), "bug: Chebyshev y=0; must be .gt. 0.0"},
      {design(kBessel, kLowpass, 11, 0.1, 0.2, -1.0), "Bessel order is 11; must be in range 1 .. 10"},
      {design(kBessel, kHighpass, 0, 0.1, 0.2, -1.0), "order is 0; must be .ge. 1"},
      {design(kButterworth, kLowpass, -3, 0.1, 0.2, -1.0), "order is -3; must be .ge. 1"},
      {design(kButterworth, kBandpass, 32, 0.1, 0.2, -1.0), "65 coefficients do not fit in storage for 64"},
      {design(kButterworth, kBandstop, 257, 0.1, 0.2, -1.0, 1024),
       "order 257 needs 514 poles; at most 512 fit"},
      {design(kButterworth, kLowpass, 2, 0.5, 0.5, -1.0), "alpha1 is 0.5; must be .gt. 0.0 and .lt. 0.5"},
      {design(kButterworth, kHighpass, 2, nan, 0.2, -1.0), "alpha1 is nan; must be .gt. 0.0 and .lt. 0.5"},
      {design(kButterworth, kBandpass, 2, 0.2, 0.1, -1.0), "alpha2 is 0.1; must be .gt. 0.2 and .lt. 0.5"},
      {design(3, kLowpass, 2, 0.1, 0.2, -1.0), "unknown prototype 3"},
      {design(kButterworth, 5, 2, 0.1, 0.2, -1.0), "unknown filter type 5"},
  };
  for (const auto& [o, message] : refusals) {
    SCOPED_TRACE(message);
    EXPECT_EQ(o.errors, "mkfilter: " + message + "\n");
    EXPECT_EQ(std::make_tuple(o.designed, o.numZeros, o.numPoles, o.gain, o.x[0], o.y[0]),
              std::make_tuple(false, -7, -7, -7.0, -7.0, -7.0))
        << "refused, with the outputs untouched";
  }
  // A high-order band's expanded coefficients pass 1e20: rounding alone leaves imaginary parts above 1e-10.
  const Outcome outcome = design(kButterworth, kBandpass, 100, 0.1, 0.2, -1.0, 512);
  EXPECT_FALSE(outcome.designed);
  EXPECT_EQ(outcome.errors.rfind("mkfilter: coeff of z^", 0), 0u) << outcome.errors;
  EXPECT_NE(outcome.errors.find(" is not real; poles/zeros are not complex conjugates\n"), std::string::npos);
}

// The method keeps its working state in globals; concurrent designs must not share it.
TEST(FilterDesigner, DesignsOnSeveralThreadsAtOnceAgreeWithDesignsOneAtATime) {
  const auto request = [](int t) {
    if (t == 0) return design(kButterworth, kBandpass, 4, 0.27, 0.35, -1.0, 64, false);
    if (t == 1) return design(kChebyshev, kBandstop, 3, 0.1, 0.12, -0.5, 64, false);
    if (t == 2) return design(kBessel, kHighpass, 7, 0.05, 0.05, -1.0, 64, false);
    return design(kButterworth, kLowpass, 9, 0.3, 0.3, -1.0, 64, false);
  };
  const std::vector<Outcome> alone{request(0), request(1), request(2), request(3)};
  for (const Outcome& outcome : alone) ASSERT_TRUE(outcome.designed);
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 300; ++round) mismatches[t] += request(t).results() != alone[t].results();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

using Samples = std::vector<double>;  // sample-major: [s * channels + c]

double sine(double amplitude, std::size_t sample, uint64_t rate) {
  return amplitude *
         std::sin(2.0 * 3.141592653589793 * 80.0 * static_cast<double>(sample) / static_cast<double>(rate));
}

// sqrt(2) x the root mean square of one channel from sample `from` on: a sine's amplitude over whole periods.
double sineAmplitude(const Samples& run, std::size_t channels, std::size_t channel, std::size_t from) {
  const std::size_t samples = run.size() / channels;
  double sum = 0.0;
  for (std::size_t s = from; s < samples; ++s) sum += std::pow(run[s * channels + channel], 2);
  return std::sqrt(2.0 * sum / static_cast<double>(samples - from));
}

Samples filtered(Samples run, std::size_t channels, uint64_t rate) {
  ChannelFilter filter(channels, run.size() / channels, rate);
  EXPECT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
  filter.apply(run.data(), run.data());
  return run;
}

TEST(ChannelFilter, DesignsTheImpedanceBandAsScipyDoesKeepingTheCentreAndRemovingAConstant) {
  int matched = 0;
  for (const ScipyDesign& reference : loadScipyDesigns()) {
    if (reference.prototype != kButterworth || reference.type != kBandpass || reference.order != 4) continue;
    SCOPED_TRACE(reference.label);
    const auto rate = static_cast<uint64_t>(reference.sampleRate);
    ChannelFilter filter(2, 8, rate);
    ASSERT_TRUE(filter.design(kBandpass, 4, reference.f1, reference.f2));
    expectSameAsScipy(reference, filter.numPoles(), filter.xCoeffs(), filter.yCoeffs(), filter.gain());
    const std::size_t samples = 16 * rate;  // whole periods of 80 Hz
    Samples in(2 * samples, 1000.0);
    for (std::size_t s = 0; s < samples; ++s) in[2 * s] = sine(3.0, s, rate);
    const Samples out = filtered(in, 2, rate);
    EXPECT_NEAR(sineAmplitude(out, 2, 0, samples / 2), 3.0, 1e-9);
    EXPECT_LT(std::fabs(out.back()), 1e-9) << "a constant decays to nothing";
    ++matched;
  }
  EXPECT_EQ(matched, 4) << "the 70-90 Hz band at 250, 256, 500 and 1000 samples/s";
}

TEST(ChannelFilter, CarriesHistoryAcrossBlocksAndFiltersInPlace) {
  constexpr std::size_t kChannels = 3;
  constexpr std::size_t kBlock = 8;
  Samples run(2 * kBlock * kChannels);
  for (std::size_t i = 0; i < run.size(); ++i) run[i] = std::sin(0.7 * static_cast<double>(i)) * 50.0 + 3.0;
  ChannelFilter blocks(kChannels, kBlock, 256);
  ASSERT_TRUE(blocks.design(kBandpass, 4, 70.0, 90.0));
  Samples split(run.size());
  blocks.apply(run.data(), split.data());
  blocks.apply(run.data() + kBlock * kChannels, split.data() + kBlock * kChannels);
  EXPECT_EQ(split, filtered(run, kChannels, 256));
}

TEST(ChannelFilter, PassesNotANumberThroughAndFiltersOnAfterIt) {
  constexpr std::size_t kSamples = 4096;
  constexpr std::size_t kGap = 1000;
  Samples clean(2 * kSamples);
  for (std::size_t i = 0; i < clean.size(); ++i) clean[i] = sine(2.0, i / 2, 256);
  Samples gapped = clean;
  gapped[2 * kGap] = std::numeric_limits<double>::quiet_NaN();
  const Samples expected = filtered(clean, 2, 256);
  const Samples out = filtered(gapped, 2, 256);

  EXPECT_TRUE(std::isnan(out[2 * kGap]));
  for (std::size_t s = 0; s < kGap; ++s) ASSERT_EQ(out[2 * s], expected[2 * s]) << s;
  for (std::size_t s = kGap + 1; s < kSamples; ++s) ASSERT_TRUE(std::isfinite(out[2 * s])) << s;
  for (std::size_t s = 0; s < kSamples; ++s) ASSERT_EQ(out[2 * s + 1], expected[2 * s + 1]) << s;
  EXPECT_NEAR(sineAmplitude(out, 2, 0, kSamples - 256), 2.0, 1e-6) << "the sine is whole after the gap";
}

TEST(ChannelFilter, AFailedDesignLeavesAnEmptyFilterThatTouchesNothing) {
  ChannelFilter filter(2, 4, 256);
  ASSERT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
  EXPECT_FALSE(filter.design(kBandpass, 32, 70.0, 90.0)) << "65 coefficients exceed the filter's 64";
  const Samples in(8, 5.0);
  Samples out(8, -1.0);
  filter.apply(in.data(), out.data());
  EXPECT_EQ(out, Samples(8, -1.0));
  filter.apply(nullptr, out.data());
}

}  // namespace
}  // namespace zav

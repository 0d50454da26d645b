#include "signal/channel_filter.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "signal/scipy_designs.h"

namespace zav {
namespace {

using Samples = std::vector<double>;  // sample-major: [s * channels + c]

double sine(double amplitude, std::size_t sample, uint64_t rate) {
  return amplitude * std::sin(2.0 * 3.141592653589793 * 80.0 * static_cast<double>(sample) /
                              static_cast<double>(rate));
}

// Root mean square of one channel from sample `from` on, times sqrt(2): the amplitude of a
// sine when the range holds whole periods.
double sineAmplitude(const Samples& run, std::size_t channels, std::size_t channel, std::size_t from) {
  const std::size_t samples = run.size() / channels;
  double sum = 0.0;
  for (std::size_t s = from; s < samples; ++s) sum += std::pow(run[s * channels + channel], 2);
  return std::sqrt(2.0 * sum / static_cast<double>(samples - from));
}

// The run through the impedance band filter as one block.
Samples filtered(Samples run, std::size_t channels, uint64_t rate) {
  ChannelFilter filter(channels, run.size() / channels, rate);
  EXPECT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
  filter.apply(run.data(), run.data());
  return run;
}

TEST(ChannelFilter, DesignsTheImpedanceBandAsScipyDoesKeepingTheCentreAndRemovingAConstant) {
  int matched = 0;
  for (const test::ScipyDesign& reference : test::loadScipyDesigns()) {
    if (reference.prototype != kButterworth || reference.type != kBandpass || reference.order != 4) continue;
    SCOPED_TRACE(reference.label);
    const auto rate = static_cast<uint64_t>(reference.sampleRate);
    ChannelFilter filter(2, 8, rate);
    ASSERT_TRUE(filter.design(kBandpass, 4, reference.f1, reference.f2));
    test::expectSameAsScipy(reference, filter.numPoles(), filter.xCoeffs(), filter.yCoeffs(), filter.gain());
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
  const Samples in(8, 5.0);
  Samples out(8, -1.0);
  filter.apply(in.data(), out.data());
  EXPECT_EQ(out, Samples(8, -1.0)) << "not designed yet";

  ASSERT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(filter.design(kBandpass, 32, 70.0, 90.0)) << "65 coefficients exceed the filter's 64";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "mkfilter: 65 coefficients do not fit in storage for 64\n");
  EXPECT_FALSE(filter.designed());
  filter.apply(in.data(), out.data());
  EXPECT_EQ(out, Samples(8, -1.0));

  ChannelFilter slow(2, 4, 180);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(slow.design(kBandpass, 4, 70.0, 90.0)) << "90 Hz is half of 180 samples/s";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "mkfilter: alpha2 is 0.5; must be .gt. 0.388889 and .lt. 0.5\n");
  filter.apply(nullptr, out.data());
}

}  // namespace
}  // namespace zav

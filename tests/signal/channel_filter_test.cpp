#include "signal/channel_filter.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "signal/scipy_designs.h"

namespace zav {
namespace {

constexpr double kPi = 3.141592653589793;

// Root mean square of one channel of a sample-major run, times sqrt(2): the amplitude of a
// sine when the range holds whole periods.
double sineAmplitude(const std::vector<double>& run, std::size_t channels, std::size_t channel, std::size_t from,
                     std::size_t to) {
  double sum = 0.0;
  for (std::size_t s = from; s < to; ++s) sum += run[s * channels + channel] * run[s * channels + channel];
  return std::sqrt(2.0 * sum / static_cast<double>(to - from));
}

TEST(ChannelFilter, DesignsTheImpedanceBandAsScipyDoesAtEegRates) {
  int matched = 0;
  for (const test::ScipyDesign& reference : test::loadScipyDesigns()) {
    if (reference.prototype != kButterworth || reference.type != kBandpass || reference.order != 4) continue;
    ChannelFilter filter(2, 8, static_cast<uint64_t>(reference.sampleRate));
    ASSERT_TRUE(filter.design(kBandpass, 4, reference.f1, reference.f2)) << reference.label;
    test::expectSameAsScipy(reference, filter.numPoles(), filter.xCoeffs(), filter.yCoeffs(), filter.gain());
    ++matched;
  }
  EXPECT_EQ(matched, 4) << "the 70-90 Hz band at 250, 256, 500 and 1000 samples/s";
}

TEST(ChannelFilter, KeepsTheAmplitudeAtTheCentreAndRemovesAConstant) {
  for (uint64_t rate : {256u, 500u, 1000u}) {
    SCOPED_TRACE(rate);
    constexpr std::size_t kChannels = 2;
    const std::size_t samples = 16 * rate;  // whole periods of 80 Hz at each rate
    ChannelFilter filter(kChannels, samples, rate);
    ASSERT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
    std::vector<double> in(kChannels * samples);
    for (std::size_t s = 0; s < samples; ++s) {
      in[s * kChannels] = 3.0 * std::sin(2.0 * kPi * 80.0 * static_cast<double>(s) / static_cast<double>(rate));
      in[s * kChannels + 1] = 1000.0;
    }
    std::vector<double> out(in.size());
    filter.apply(in.data(), out.data());
    EXPECT_NEAR(sineAmplitude(out, kChannels, 0, samples / 2, samples), 3.0, 1e-9);
    EXPECT_LT(std::fabs(out[(samples - 1) * kChannels + 1]), 1e-9) << "a constant decays to nothing";
  }
}

TEST(ChannelFilter, CarriesHistoryAcrossBlocksAndFiltersInPlace) {
  constexpr std::size_t kChannels = 3;
  constexpr std::size_t kBlock = 8;
  std::vector<double> run(2 * kBlock * kChannels);
  for (std::size_t i = 0; i < run.size(); ++i) run[i] = std::sin(0.7 * static_cast<double>(i)) * 50.0 + 3.0;

  ChannelFilter whole(kChannels, 2 * kBlock, 256);
  ChannelFilter blocks(kChannels, kBlock, 256);
  ChannelFilter inPlace(kChannels, kBlock, 256);
  ASSERT_TRUE(whole.design(kBandpass, 4, 70.0, 90.0));
  ASSERT_TRUE(blocks.design(kBandpass, 4, 70.0, 90.0));
  ASSERT_TRUE(inPlace.design(kBandpass, 4, 70.0, 90.0));

  std::vector<double> expected(run.size());
  whole.apply(run.data(), expected.data());
  std::vector<double> split(run.size());
  std::vector<double> overwritten = run;
  for (std::size_t b = 0; b < 2; ++b) {
    const std::size_t at = b * kBlock * kChannels;
    blocks.apply(run.data() + at, split.data() + at);
    inPlace.apply(overwritten.data() + at, overwritten.data() + at);
  }
  EXPECT_EQ(split, expected);
  EXPECT_EQ(overwritten, expected);
}

TEST(ChannelFilter, PassesNotANumberThroughAndFiltersOnAfterIt) {
  constexpr std::size_t kChannels = 2;
  constexpr std::size_t kSamples = 4096;
  constexpr std::size_t kGap = 1000;
  std::vector<double> clean(kChannels * kSamples);
  for (std::size_t s = 0; s < kSamples; ++s) {
    const double value = 2.0 * std::sin(2.0 * kPi * 80.0 * static_cast<double>(s) / 256.0);
    clean[s * kChannels] = value;
    clean[s * kChannels + 1] = value;
  }
  std::vector<double> gapped = clean;
  gapped[kGap * kChannels] = std::numeric_limits<double>::quiet_NaN();

  ChannelFilter reference(kChannels, kSamples, 256);
  ChannelFilter filter(kChannels, kSamples, 256);
  ASSERT_TRUE(reference.design(kBandpass, 4, 70.0, 90.0));
  ASSERT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
  std::vector<double> expected(clean.size());
  std::vector<double> out(clean.size());
  reference.apply(clean.data(), expected.data());
  filter.apply(gapped.data(), out.data());

  EXPECT_TRUE(std::isnan(out[kGap * kChannels]));
  for (std::size_t s = 0; s < kGap; ++s) ASSERT_EQ(out[s * kChannels], expected[s * kChannels]) << s;
  for (std::size_t s = kGap + 1; s < kSamples; ++s) ASSERT_TRUE(std::isfinite(out[s * kChannels])) << s;
  for (std::size_t s = 0; s < kSamples; ++s) ASSERT_EQ(out[s * kChannels + 1], expected[s * kChannels + 1]) << s;
  EXPECT_NEAR(sineAmplitude(out, kChannels, 0, kSamples - 256, kSamples), 2.0, 1e-6)
      << "the sine comes back whole after the gap";
}

TEST(ChannelFilter, AFailedDesignLeavesAnEmptyFilterThatTouchesNothing) {
  ChannelFilter filter(2, 4, 256);
  std::vector<double> in(8, 5.0);
  std::vector<double> out(8, -1.0);
  filter.apply(in.data(), out.data());
  EXPECT_EQ(out, std::vector<double>(8, -1.0)) << "not designed yet";

  ASSERT_TRUE(filter.design(kBandpass, 4, 70.0, 90.0));
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(filter.design(kBandpass, 32, 70.0, 90.0)) << "65 coefficients exceed the filter's 64";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "mkfilter: 65 coefficients do not fit in storage for 64\n");
  EXPECT_FALSE(filter.designed());
  filter.apply(in.data(), out.data());
  EXPECT_EQ(out, std::vector<double>(8, -1.0));

  ChannelFilter slow(2, 4, 180);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(slow.design(kBandpass, 4, 70.0, 90.0)) << "90 Hz is half of 180 samples/s";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "mkfilter: alpha2 is 0.5; must be .gt. 0.388889 and .lt. 0.5\n");
  filter.apply(nullptr, out.data());
}

}  // namespace
}  // namespace zav

#include "driver/clock_offset.h"

#include <gtest/gtest.h>

#include <memory>

namespace zav {
namespace {

// Samples of a device clock that runs offset ahead, each exchange taking roundTrip
// microseconds with the device's two times in its middle; every other exchange takes
// 2 * jitter longer, which widens its bounds.
std::function<SynchronizationSample()> steadyDevice(uint32_t hostStart, uint32_t offset, uint32_t roundTrip,
                                                    uint32_t jitter = 0) {
  auto host = std::make_shared<uint32_t>(hostStart);
  auto count = std::make_shared<uint32_t>(0);
  return [=] {
    const uint32_t extra = (*count)++ % 2 == 0 ? jitter : 0;
    SynchronizationSample s;
    s.t0 = *host - extra;
    s.t1 = *host + offset + roundTrip / 2 - 1;
    s.t2 = s.t1 + 1;
    s.t3 = *host + roundTrip + extra;
    *host += 10000;
    return s;
  };
}

TEST(ClockOffset, EstimatesTheMiddleOfTheTightestBounds) {
  struct Case {
    const char* name;
    uint32_t hostStart;
    uint32_t offset;
    uint32_t roundTrip;
    uint32_t jitter;
    int32_t expectedOffset;
  };
  const Case cases[] = {
      {"device ahead", 100000, 5000, 400, 0, 5000},
      {"device behind", 100000, static_cast<uint32_t>(-70000), 400, 0, -70000},
      // The two bounds add up beyond 32 bits.
      {"far ahead", 100000, 0x40000000u, 2000, 0, 0x40000000},
      // Jittered exchanges widen the bounds of half the samples; the tight half decides.
      {"jitter", 100000, 3000, 200, 5000, 3000},
  };
  for (const Case& c : cases) {
    const ClockOffset result = estimateClockOffset(steadyDevice(c.hostStart, c.offset, c.roundTrip, c.jitter));
    EXPECT_TRUE(result.converged) << c.name;
    EXPECT_NEAR(result.offset, c.expectedOffset, 1) << c.name;
    EXPECT_GE(result.roundTrip, c.roundTrip) << c.name;
    EXPECT_LE(result.roundTrip, c.roundTrip + 2 * c.jitter) << c.name;
  }
}

TEST(ClockOffset, GivesUpAfterThreeHundredSamplesKeepingOnlyForwardOnes) {
  struct Case {
    const char* name;
    SynchronizationSample sample;
    bool kept;
  };
  const Case cases[] = {
      {"no answer", {0, 0, 0, 0}, false},
      {"host time backwards", {500, 10, 20, 400}, false},
      {"device time backwards", {400, 30, 20, 500}, false},
      {"one sample again and again", {400, 1000, 1001, 600}, true},
  };
  for (const Case& c : cases) {
    int calls = 0;
    const ClockOffset result = estimateClockOffset([&] {
      ++calls;
      return c.sample;
    });
    // A repeated sample converges as soon as more than 100 are kept.
    EXPECT_EQ(calls, c.kept ? 101 : 300) << c.name;
    EXPECT_EQ(result.converged, c.kept) << c.name;
    EXPECT_EQ(result.roundTrip, c.kept ? 200u : 0u) << c.name;
    EXPECT_EQ(result.offset, c.kept ? 500 : 0) << c.name;
  }

  // Estimates that keep moving never converge; the last one and the mean round trip stay.
  uint32_t host = 0;
  uint32_t drift = 0;
  const ClockOffset moving = estimateClockOffset([&] {
    host += 10000;
    drift += 5000;
    return SynchronizationSample{host, host + drift + 50, host + drift + 51, host + 100};
  });
  EXPECT_FALSE(moving.converged);
  EXPECT_EQ(moving.roundTrip, 100u);
  EXPECT_NE(moving.offset, 0);
}

}  // namespace
}  // namespace zav

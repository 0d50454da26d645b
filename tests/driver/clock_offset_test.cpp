#include "driver/clock_offset.h"

#include <gtest/gtest.h>

#include <tuple>

namespace zav {
namespace {

TEST(ClockOffset, EstimatesTheMiddleOfTheTightestBoundsOnceTheEstimatesStopMoving) {
  const struct {
    const char* what;
    // Every other exchange takes 2 * jitter longer; the device clock gains drift more with each.
    uint32_t offset, roundTrip, jitter, drift;
  } cases[] = {
      {"device ahead", 5000, 400, 0, 0},
      {"device behind", static_cast<uint32_t>(-70000), 400, 0, 0},
      {"jitter: the tight half of the samples decides", 3000, 200, 5000, 0},
      {"drift: the estimates keep moving and never converge", 0, 100, 0, 5000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // The device's two times lie in the middle of each exchange.
    uint32_t host = 100000, count = 0;
    const ClockOffset result = estimateClockOffset([&] {
      const uint32_t extra = count % 2 == 0 ? c.jitter : 0;
      const uint32_t t1 = host + c.offset + c.drift * count++ + c.roundTrip / 2 - 1;
      const SynchronizationSample sample{host - extra, t1, t1 + 1, host + c.roundTrip + extra};
      host += 10000;
      return sample;
    });
    EXPECT_EQ(result.converged, c.drift == 0);
    EXPECT_GE(result.roundTrip, c.roundTrip);  // the mean, also when the estimates never settle
    EXPECT_LE(result.roundTrip, c.roundTrip + 2 * c.jitter);
    if (c.drift != 0) continue;
    EXPECT_NEAR(result.offset, static_cast<int32_t>(c.offset), 1);
  }
}

TEST(ClockOffset, GivesUpAfterThreeHundredSamplesKeepingOnlyForwardOnes) {
  const struct {
    const char* what;
    SynchronizationSample sample;
    bool kept;
  } cases[] = {
      {"no answer", {0, 0, 0, 0}, false},
      {"host time backwards", {500, 10, 20, 400}, false},
      {"device time backwards", {400, 30, 20, 500}, false},
      {"one sample again and again", {400, 1000, 1001, 600}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int calls = 0;
    const ClockOffset result = estimateClockOffset([&] {
      ++calls;
      return c.sample;
    });
    // A repeated sample converges as soon as more than 100 are kept.
    EXPECT_EQ(std::make_tuple(calls, result.converged, result.roundTrip, result.offset),
              c.kept ? std::make_tuple(101, true, 200u, 500) : std::make_tuple(300, false, 0u, 0));
  }
}

}  // namespace
}  // namespace zav

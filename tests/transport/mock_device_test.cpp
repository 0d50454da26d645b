// The simulated amplifier on its own: block pacing on a scripted clock (nothing here
// depends on real time), the battery it reports, and its clocks.
#include "transport/mock_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/byte_order.h"
#include "driver/battery_estimator.h"
#include "transport/marker_code.h"

namespace zav {
namespace {

// A clock that jumps to whatever time the device asks to sleep until.
struct ScriptedClock {
  int64_t now = 5000000000;
  std::vector<int64_t> sleeps;
  MockDevice::Pacer pacer() {
    return {[this] { return now; }, [this](int64_t until) { sleeps.push_back(now = until); }};
  }
};

// One-byte blocks of 10 bytes; returns the sequence of each block taken, the battery word in the last.
struct SmallDevice {
  ScriptedClock clock;
  MockDevice device;
  ByteQueue output;
  explicit SmallDevice(int32_t frequency, MockSetup setup = {}) {
    setup.frequency = frequency;
    setup.signals = {{SignalInfo("DIN", 1, 1, 1, 1), {}}};
    device.setPacer(clock.pacer());
    device.configure(setup);
    device.startStreaming();
  }
  uint16_t next(uint16_t* battery = nullptr) {
    device.produceBlock(output);
    uint8_t block[10];
    EXPECT_EQ(output.take(block, sizeof block), sizeof block);
    EXPECT_TRUE(output.empty());
    if (battery != nullptr) *battery = readU16BE(block + 4);
    return readU16BE(block + 2);
  }
};

TEST(MockDeviceTest, BlocksAreDueAtTheirRateWithoutDriftAcrossTheSequenceWrapAndLateOnesComeAtOnce) {
  SmallDevice slow(32);
  const int64_t start = slow.clock.now;
  for (int i = 0; i < 33; ++i) slow.next();
  ASSERT_EQ(slow.clock.sleeps.size(), 32u) << "every block after the first waits for its time";
  EXPECT_EQ(slow.clock.sleeps[0], start + 31250000);
  EXPECT_EQ(slow.clock.sleeps.back(), start + 1000000000) << "32 blocks take exactly one second";
  slow.clock.now += 100000000;
  slow.clock.sleeps.clear();
  for (int i = 0; i < 3; ++i) slow.next();
  EXPECT_TRUE(slow.clock.sleeps.empty()) << "a reader that fell behind gets the overdue blocks at once";

  // Started afresh near the wrap of the 16-bit sequence, the pace holds.
  SmallDevice fast(1000);
  while (fast.device.sequence() != 65530) fast.next();
  fast.clock.sleeps.clear();
  const int64_t restart = fast.clock.now;
  fast.device.startStreaming();
  EXPECT_EQ(fast.next(), 65530);
  for (int i = 0; i < 10; ++i) fast.next();
  EXPECT_EQ(fast.next(), 5) << "the sequence wraps at 65536";
  ASSERT_EQ(fast.clock.sleeps.size(), 11u);
  for (std::size_t i = 0; i < fast.clock.sleeps.size(); ++i) {
    EXPECT_EQ(fast.clock.sleeps[i], restart + static_cast<int64_t>(i + 1) * 1000000) << "block " << i + 1;
  }
}

TEST(MockDeviceTest, BuiltInBatteryStartsFullAndDischargesWhileStreaming) {
  MockSetup setup;
  ASSERT_TRUE(addMockPreset(kDefaultPreset, setup));
  SmallDevice small(32, setup);  // the built-in battery on a small device
  BatteryEstimator estimator(32, batteryScale(small.device.version()));
  const auto streamMinutes = [&](int minutes) {
    for (int i = 0; i < minutes * 60 * 32; ++i) {
      uint16_t battery = 0;
      small.next(&battery);
      estimator.feed(battery);
    }
  };
  streamMinutes(1);
  EXPECT_EQ(estimator.level(), 5);
  streamMinutes(39);
  EXPECT_EQ(estimator.level(), 3) << "a few millivolts a minute";
}

TEST(MockDeviceTest, ClockSamplesRunFromPowerOnAndClockTextPrintsSignedBytes) {
  int64_t wallTicks = 16000000000000000;
  MockDevice device;
  device.setWallClock([&wallTicks] { return wallTicks; });
  wallTicks += 12345670;  // 1.234567 s later
  uint8_t answer[8];
  device.clockSample(answer);
  EXPECT_EQ(readU32BE(answer), 1234567u);
  EXPECT_EQ(readU32BE(answer + 4), 1234568u) << "the answer leaves after the request came";

  const uint8_t parameters[7] = {0x07, 0xE4, 0x0C, 0x1F, 0x17, 0x3B, 0xFF};
  device.setClock(parameters);
  EXPECT_EQ(device.clockText(), "31/12/2020 23:59:-1");
}

TEST(MockDeviceTest, MarkerScheduleNeverRepeatsACodeInConsecutivePeriods) {
  for (int64_t period = -300; period < 300; ++period) {
    ASSERT_NE(scheduledMarkerCode(period), scheduledMarkerCode(period + 1)) << period;
  }
}

}  // namespace
}  // namespace zav

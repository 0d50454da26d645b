// Block pacing of the simulated amplifier, driven by a scripted clock so that nothing
// here depends on real time.
#include "transport/mock_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/byte_order.h"

namespace zav {
namespace {

// A clock that jumps to whatever time the device asks to sleep until.
struct ScriptedClock {
  int64_t now = 5000000000;
  std::vector<int64_t> sleeps;

  MockDevice::Pacer pacer() {
    return {[this] { return now; },
            [this](int64_t until) {
              sleeps.push_back(until);
              now = until;
            }};
  }
};

MockSetup oneByteDevice(int32_t frequency) {
  MockSetup setup;
  setup.frequency = frequency;
  setup.signals.push_back({SignalInfo("DIN", 1, 1, 1, 1), {}});
  return setup;
}

uint16_t takeBlockSequence(ByteQueue& output) {
  uint8_t block[10];
  EXPECT_EQ(output.take(block, sizeof block), sizeof block);
  EXPECT_TRUE(output.empty());
  return readU16BE(block + 2);
}

TEST(MockDeviceTest, PacingKeepsItsRateAcrossTheSequenceWrap) {
  ScriptedClock clock;
  MockDevice device;
  device.setPacer(clock.pacer());
  device.configure(oneByteDevice(1000));
  ByteQueue output;

  // Bring the sequence close to the wrap, then start afresh there.
  device.startStreaming();
  while (device.sequence() != 65530) {
    device.produceBlock(output);
    takeBlockSequence(output);
  }
  clock.sleeps.clear();
  const int64_t start = clock.now;
  device.startStreaming();
  std::vector<uint16_t> sequences;
  for (int i = 0; i < 12; ++i) {
    device.produceBlock(output);
    sequences.push_back(takeBlockSequence(output));
  }
  EXPECT_EQ(sequences.front(), 65530);
  EXPECT_EQ(sequences.back(), 5) << "the sequence wraps at 65536";
  ASSERT_EQ(clock.sleeps.size(), 11u) << "every block after the first waits for its time";
  for (std::size_t i = 0; i < clock.sleeps.size(); ++i) {
    EXPECT_EQ(clock.sleeps[i], start + static_cast<int64_t>(i + 1) * 1000000) << "block " << i + 1;
  }
}

TEST(MockDeviceTest, BlocksAreDueAtTheirRateWithoutDriftAndLateBlocksComeAtOnce) {
  ScriptedClock clock;
  MockDevice device;
  device.setPacer(clock.pacer());
  device.configure(oneByteDevice(32));
  ByteQueue output;
  const int64_t start = clock.now;
  device.startStreaming();
  for (int i = 0; i < 33; ++i) {
    device.produceBlock(output);
    takeBlockSequence(output);
  }
  ASSERT_EQ(clock.sleeps.size(), 32u);
  EXPECT_EQ(clock.sleeps[0], start + 31250000);
  EXPECT_EQ(clock.sleeps.back(), start + 1000000000) << "32 blocks take exactly one second";

  // A reader that falls behind gets the overdue blocks without waiting.
  clock.now += 100000000;
  clock.sleeps.clear();
  for (int i = 0; i < 3; ++i) {
    device.produceBlock(output);
    takeBlockSequence(output);
  }
  EXPECT_TRUE(clock.sleeps.empty());
}

TEST(MockDeviceTest, ClockTextPrintsBytesAsSignedNumbers) {
  MockDevice device;
  const uint8_t parameters[7] = {0x07, 0xE4, 0x0C, 0x1F, 0x17, 0x3B, 0xFF};
  device.setClock(parameters);
  EXPECT_EQ(device.clockText(), "31/12/2020 23:59:-1");
}

}  // namespace
}  // namespace zav

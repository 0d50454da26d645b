// Aligning the sides on shared marker codes, the merge, the bound on buffers; counts every allocation.
#include "multi/alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "multi/side_streams.h"
#include "support/allocation_counter.h"

namespace zav {
namespace {

const SignalList kMerged = {SignalInfo("EEG", 64, 3, 8, 1),  SignalInfo("ExG_B", 4, 3, 8, 1),
                            SignalInfo("IMU_B", 9, 2, 1, 1), SignalInfo("IMU_B", 9, 2, 1, 1),
                            SignalInfo("FOT", 2, 3, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};

TEST(SynchronizationStep, AlignsOnTheFirstAcceptableCodePair) {
  using Counts = std::array<std::size_t, 4>;  // left and right samples, left and right din rows
  const struct {
    const char* name;
    bool synchronized;  // after code 200, if so
    std::vector<test::Marker> left, right;
    std::size_t leftRows, rightRows, leftShortBy;  // samples dropped from the left beforehand
    const char* lines;
    bool synchronizedAfter;
    uint8_t lastCodeAfter;
    Counts after;
  } cases[] = {
      // clang-format off
      {"ahead side holds too few samples", false, {{40, 200}}, {{25, 200}}, 64, 48, 50,
       "code \xC8 found at 40 & 25\nbig delay found 15\n", false, 200, {14, 48, 8, 7}},
      {"same code again while synchronized", true, {{40, 200}}, {{25, 200}}, 64, 48, 0,
       "code \xC8 found at 40 & 25\n", true, 200, {64, 48, 64, 48}},
      {"drift of one sample", true, {{30, 'M'}}, {{31, 'M'}}, 48, 48, 0,
       "code M found at 30 & 31\n", true, 'M', {48, 48, 2, 2}},
      {"drift of two samples", true, {{30, 'M'}}, {{32, 'M'}}, 56, 56, 0,
       "code M found at 30 & 32\nbig delay found 2\nSynchronized\n", true, 'M', {56, 54, 10, 8}},
      {"right ahead, after a code only the left has", false, {{0, 'B'}, {20, 'C'}}, {{40, 'C'}}, 48, 64, 0,
       "code C found at 20 & 40\nbig delay found 20\nSynchronized\n", true, 'C', {48, 44, 12, 8}},
      {"one pair per call", false, {{0, 'A'}, {32, 'B'}}, {{0, 'A'}, {32, 'B'}}, 56, 56, 0,
       "code A found at 0 & 0\n", true, 'A', {56, 56, 40, 40}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SideBuffer left, right;
    test::pushRows(left, test::bitsWith(c.leftRows, c.left));
    test::pushRows(right, test::bitsWith(c.rightRows, c.right));
    left.dropSamples(c.leftShortBy);
    bool synchronized = c.synchronized;
    uint8_t lastCode = c.synchronized ? 200 : 0;
    testing::internal::CaptureStdout();
    synchronizationStep(left, right, synchronized, lastCode);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.lines);
    EXPECT_EQ(synchronized, c.synchronizedAfter);
    EXPECT_EQ(lastCode, c.lastCodeAfter);
    EXPECT_EQ((Counts{left.sampleCount(), right.sampleCount(), left.dinCount(), right.dinCount()}), c.after);
  }
}

// A side whose every value names its origin: tag + 1000 x queue + 10 x channel + sample.
void pushTagged(SideBuffer& side, double tag) {
  const SignalList signals = test::deviceSignals();
  std::vector<double> values;
  for (const SignalInfo& info : signals) {
    const double base = tag + 1000.0 * (1 + static_cast<int>(sideQueueFor(info.type)));
    for (int c = 0; c < info.channels; ++c)
      for (int s = 0; s < info.blockSize; ++s) values.push_back(base + 10 * c + s);
  }
  side.push(values, signals, 5);
}

TEST(Merge, TakesChannelHalvesFromEachSideAndEachImuFromItsOwn) {
  SignalList merged = kMerged;
  using Expected = std::pair<std::size_t, double>;  // index, value
  const std::vector<Expected> allOn = {{0 * 8 + 0, 1000},        {5 * 8 + 3, 1053},   {31 * 8 + 7, 1317},
                                       {32 * 8 + 0, 11000},      {40 * 8 + 3, 11083}, {512 + 1 * 8 + 2, 2012},
                                       {512 + 3 * 8 + 2, 12012}, {544 + 4, 3040},     {553 + 4, 13040},
                                       {562 + 7, 4007},          {562 + 8 + 7, 14007}};
  const std::vector<Expected> exgOff = {{512 + 4, 3040}, {521 + 8, 13080}, {530 + 8 + 7, 14007}};

  for (const bool exgOn : {true, false}) {
    merged[1].mode = exgOn ? 1 : 0;
    SideBuffer left, right;
    pushTagged(left, 0);
    pushTagged(right, 10000);
    std::vector<double> out(static_cast<std::size_t>(valuesPerBlock(merged)),
                            std::numeric_limits<double>::quiet_NaN());
    merge(left, right, merged, out);
    for (const auto& [index, value] : exgOn ? allOn : exgOff) EXPECT_EQ(out[index], value) << index;
    for (std::size_t i = 0; i < out.size(); ++i) EXPECT_FALSE(std::isnan(out[i])) << i;
    EXPECT_EQ(left.sampleCount() + right.sampleCount(), 0u);
    EXPECT_TRUE(std::isnan(right.value(SideQueue::imu, 0, 0)));
  }
}

TEST(LimitBuffers, HalvesOnlyWhenBothSidesAreTooDeep) {
  for (const std::size_t rightRows : {1032u, 1024u}) {
    SideBuffer left, right;
    test::pushRows(left, std::vector<double>(1032, 0.0));
    test::pushRows(right, std::vector<double>(rightRows, 0.0));
    testing::internal::CaptureStdout();
    limitBuffers(left, right);
    const bool halved = rightRows > 1024;
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              halved ? "Buffers too big. Halve it\nDin buffer too big. Halve it\n" : "");
    EXPECT_EQ(left.sampleCount(), halved ? 520u : 1032u);
    EXPECT_EQ(right.dinCount(), halved ? 520u : 1024u);
  }
}

TEST(AlignmentAllocation, MergingAStreamAllocatesNothingPerRecord) {
  const SignalList device = test::deviceSignals();
  std::vector<double> block(static_cast<std::size_t>(valuesPerBlock(device)), 1.0);
  std::fill(block.end() - 24, block.end(), 0.0);  // the digital input stays low: no codes
  std::vector<double> record(static_cast<std::size_t>(valuesPerBlock(kMerged)));
  SideBuffer left, right;
  bool synchronized = true;
  uint8_t lastCode = 0;
  // The right side runs three blocks ahead, as after an alignment; one of its blocks is lost.
  for (uint16_t sequence = 0; sequence < 3; ++sequence) right.push(block, device, sequence);
  const auto records = [&](uint16_t first, uint16_t count) {
    for (uint16_t sequence = first; sequence < first + count; ++sequence) {
      limitBuffers(left, right);
      left.push(block, device, sequence);
      if (sequence != 1500) right.push(block, device, static_cast<uint16_t>(sequence + 3));
      synchronizationStep(left, right, synchronized, lastCode);
      record.assign(record.size(), std::numeric_limits<double>::quiet_NaN());
      merge(left, right, kMerged, record);
      // Each code would trim the digital input, with a line that allocates; here it is trimmed alike.
      left.dropDin(8);
      right.dropDin(8);
    }
  };
  records(0, 1000);
  const uint64_t before = test::allocations();
  records(1000, 4000);
  EXPECT_EQ(test::allocations(), before);
  EXPECT_EQ(right.sampleCount(), 24u);  // the lost block came back as NaN rows: still three ahead
}

}  // namespace
}  // namespace zav

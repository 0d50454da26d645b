// Merging a steady stream allocates nothing per record once the queues have reached
// their depth. Its own program, since it counts every allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "multi/alignment.h"
#include "multi/side_streams.h"
#include "support/allocation_counter.h"

namespace zav {
namespace {

TEST(AlignmentAllocation, MergingAStreamAllocatesNothingPerRecord) {
  const SignalList device = test::deviceSignals();
  const SignalList merged = {SignalInfo("EEG", 64, 3, 8, 1),  SignalInfo("ExG_B", 4, 3, 8, 1),
                             SignalInfo("IMU_B", 9, 2, 1, 1), SignalInfo("IMU_B", 9, 2, 1, 1),
                             SignalInfo("FOT", 2, 3, 8, 1),   SignalInfo("uSD", 0, 0, 0, 0)};
  std::vector<double> block(static_cast<std::size_t>(valuesPerBlock(device)), 1.0);
  std::fill(block.end() - 24, block.end(), 0.0);  // the digital input stays low: no codes
  std::vector<double> record(static_cast<std::size_t>(valuesPerBlock(merged)));
  SideBuffer left;
  SideBuffer right;
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
      merge(left, right, merged, record);
      // In a real stream each code trims the digital input, with a line that allocates;
      // here the input stays low and is trimmed as the codes would.
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

// The estimator runs once per block on the reading thread: after configure it must not
// touch the heap. This program counts every allocation through the global operator new.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "support/allocation_counter.h"

#include "signal/impedance_estimator.h"

namespace zav {
namespace {

TEST(ImpedanceEstimatorHeap, ProcessAllocatesNothingEvenWhenItGrades) {
  constexpr uint64_t kChannels = 64;
  constexpr uint64_t kBlockSize = 8;
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(kChannels, kBlockSize, 256, kDrySensor);
  std::vector<double> block(kChannels * kBlockSize);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = 30.0 * std::sin(0.9 * static_cast<double>(i));

  const uint64_t before = zav::test::allocations();
  for (int b = 0; b < 400; ++b) estimator.process(block.data(), b % 2 == 0);
  EXPECT_EQ(zav::test::allocations() - before, 0u);
  EXPECT_NE(estimator.status(0), kImpedanceSaturated) << "the run did reach its first grades";
}

TEST(ImpedanceEstimatorHeap, AFastAmplifierCostsAFewMegabytesAndALyingHeaderNothing) {
  struct Shape {
    const char* what;
    uint64_t channels, blockSize, sampleRate, mostBytes;
  };
  const Shape shapes[] = {{"64 channels, 500 blocks/s of 8 samples", 64, 8, 4000, 8u << 20},
                          {"a block rate of 6,700 with 999 samples", 1, 999, 6700 * 999, 1u << 16},
                          {"a block rate of 26,843 with 999 samples", 1, 999, 26843 * 999, 1u << 16},
                          {"more channels than any amplifier", 100000, 1, 256, 1u << 16}};
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.what);
    const uint64_t before = zav::test::allocatedBytes();
    ImpedanceEstimator estimator(10, 2);
    estimator.configure(shape.channels, shape.blockSize, shape.sampleRate, kDrySensor);
    EXPECT_LT(zav::test::allocatedBytes() - before, shape.mostBytes);
  }
}

}  // namespace
}  // namespace zav

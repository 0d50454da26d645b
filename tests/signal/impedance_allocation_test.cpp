// The estimator runs once per block on the reading thread: after configure it must not
// touch the heap. This program counts every allocation through the global operator new.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "signal/impedance_estimator.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace zav {
namespace {

TEST(ImpedanceEstimatorHeap, ProcessAllocatesNothingEvenWhenItGrades) {
  constexpr uint64_t kChannels = 64;
  constexpr uint64_t kBlockSize = 8;
  ImpedanceEstimator estimator(10, 2);
  estimator.configure(kChannels, kBlockSize, 256, "", kDrySensor);
  std::vector<double> block(kChannels * kBlockSize);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = 30.0 * std::sin(0.9 * static_cast<double>(i));

  const long before = allocations.load();
  for (int b = 0; b < 400; ++b) {
    estimator.process(block.data(), b % 2 == 0);
  }
  const long during = allocations.load() - before;
  EXPECT_EQ(during, 0);
  EXPECT_NE(estimator.status(0), kImpedanceSaturated) << "the run did reach its first grades";
}

}  // namespace
}  // namespace zav

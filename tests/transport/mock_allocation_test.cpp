// Streaming from the simulated device allocates nothing per block once its buffers have
// reached their size. This program counts every plain operator new.
#include <gtest/gtest.h>

#include "support/allocation_counter.h"


#include "transport/mock_device.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

TEST(MockAllocationTest, DefaultDeviceProducesBlocksWithoutAllocating) {
  MockSetup setup;
  ASSERT_TRUE(addMockPreset(kDefaultPreset, setup));
  MockDevice device;
  device.configure(std::move(setup));
  device.setPacer({[] { return int64_t{0}; }, [](int64_t) {}});
  device.startStreaming();
  ByteQueue output;
  std::vector<uint8_t> block(2000);
  for (int i = 0; i < 2; ++i) {
    device.produceBlock(output);
    output.take(block.data(), block.size());
  }
  const uint64_t before = zav::test::allocations();
  for (int i = 0; i < 200; ++i) {
    device.produceBlock(output);
    ASSERT_EQ(output.take(block.data(), block.size()), 891u);
  }
  EXPECT_EQ(zav::test::allocations(), before);
}

TEST(MockAllocationTest, ReadingAStreamThroughTheConnectionDoesNotAllocate) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder,
                      test::deviceWith({test::signalEntry("EEG", 4, 3, 1, 1, 8000, {1.0, -2.0, 3.0}),
                                        test::signalEntry("ACC", 3, 2, 1, 1, 8000)}));
  ASSERT_TRUE(connection.open());
  test::send(connection, "s");
  uint8_t block[9 + 12 + 6];
  ASSERT_EQ(connection.read(block, sizeof block), static_cast<int32_t>(sizeof block));
  const uint64_t before = zav::test::allocations();
  for (int i = 0; i < 50; ++i) {
    uint8_t first = 0;
    ASSERT_EQ(connection.read(&first, 1), 1);
    ASSERT_EQ(connection.read(block, sizeof block - 1), static_cast<int32_t>(sizeof block - 1));
  }
  EXPECT_EQ(zav::test::allocations(), before);
  test::send(connection, "p");
}

}  // namespace
}  // namespace zav

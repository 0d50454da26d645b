// Streaming from the simulated device allocates nothing per block once its buffers have
// reached their size. This program counts every plain operator new.
#include <gtest/gtest.h>

#include "support/allocation_counter.h"
#include "transport/mock_device.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

TEST(MockAllocationTest, BlocksComeWithoutAllocatingFromTheDeviceAndThroughTheConnection) {
  MockSetup setup;
  ASSERT_TRUE(addMockPreset(kDefaultPreset, setup));
  MockDevice device;
  device.configure(std::move(setup));
  device.setPacer({[] { return int64_t{0}; }, [](int64_t) {}});
  device.startStreaming();
  ByteQueue output;
  std::vector<uint8_t> block(2000);
  for (int i = 0; i < 202; ++i) {
    const uint64_t before = test::allocations();
    device.produceBlock(output);
    ASSERT_EQ(output.take(block.data(), block.size()), 891u);
    if (i >= 2) {
      ASSERT_EQ(test::allocations(), before) << "block " << i;
    }
  }

  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder,
                      test::deviceWith({test::signalEntry("EEG", 4, 3, 1, 1, 8000, {1.0, -2.0, 3.0}),
                                        test::signalEntry("ACC", 3, 2, 1, 1, 8000)}));
  ASSERT_TRUE(connection.open());
  test::send(connection, "s");
  for (int i = 0; i < 52; ++i) {
    const uint64_t before = test::allocations();
    ASSERT_EQ(connection.read(block.data(), 1), 1);  // a reader that splits the block
    ASSERT_EQ(connection.read(block.data(), 9 + 12 + 6 - 1), 9 + 12 + 6 - 1);
    if (i >= 2) {
      ASSERT_EQ(test::allocations(), before) << "block " << i;
    }
  }
  test::send(connection, "p");
}

}  // namespace
}  // namespace zav

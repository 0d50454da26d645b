// A damaged stream from a device that then vanishes, read through the block reader over
// the serial transport: only whole valid blocks come out, then the lost link shows.
#include <gtest/gtest.h>

#include <vector>

#include "common/property_map.h"
#include "driver/block_reader.h"
#include "support/pty_device.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

using test::PtyDevice;

TEST(SerialBlockStreamTest, TornCorruptedAndCutStreamYieldsExactlyTheValidBlocksThenALostLink) {
  const SignalList signals{SignalInfo("EEG", 2, 3, 2, 1), SignalInfo("ACC", 3, 2, 1, 0)};
  PtyDevice device(signals);
  device.tearFirstBlock(5);
  device.corruptBlock(2);
  device.corruptBlock(3);
  device.hangUpAfter(6, 7);  // blocks 0 to 5, then 7 bytes of block 6

  UsbConnection connection;
  PropertyMap props;
  props.set<std::string>("path", device.path());
  connection.setProperties(props.values());
  ASSERT_TRUE(connection.open());
  ASSERT_TRUE(connection.setTimeout(2000));
  const uint8_t start = 's';
  ASSERT_EQ(connection.write(&start, 1), 1);

  BlockReader reader(&connection);
  reader.configure(signals);
  ASSERT_EQ(reader.blockBytes(), 9u + 12u);

  std::vector<uint16_t> sequences;
  while (reader.readBlock()) {
    const uint16_t sequence = static_cast<uint16_t>(reader.block()[2] << 8 | reader.block()[3]);
    const std::vector<uint8_t> expected = PtyDevice::makeBlock(signals, sequence);
    EXPECT_EQ(std::vector<uint8_t>(reader.block(), reader.block() + reader.blockBytes()), expected)
        << "block " << sequence;
    sequences.push_back(sequence);
    ASSERT_LT(sequences.size(), 10u);
  }
  EXPECT_EQ(sequences, (std::vector<uint16_t>{1, 4, 5}));
  EXPECT_FALSE(connection.isConnected());
  EXPECT_TRUE(device.hungUp());
}

}  // namespace
}  // namespace zav

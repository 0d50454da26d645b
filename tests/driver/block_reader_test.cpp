#include "driver/block_reader.h"

#include "driver/commands.h"
#include "scripted_device.h"

namespace zav {
namespace {

using namespace std::string_literals;
using test::countingBlock;
using test::kTenBytes;
using BlockReaderTest = test::ScriptedDevice;

TEST_F(BlockReaderTest, ReadsBackToBackBlocksWithTheirHeaderAndDetectsAStreamByTheBlockDistance) {
  reader.configure(kTenBytes);
  device.feed(countingBlock(0x1234, 1, 0xFFFF, 0x0102) + countingBlock(7, 50));
  device.setChunkSize(4);
  EXPECT_EQ(readSequence(), 0x1234);
  EXPECT_EQ(std::make_pair(battery, flags), (std::pair<uint16_t, uint16_t>{0xFFFF, 0x0102}));
  const double* storage = values.data();
  EXPECT_EQ(readSequence(), 7);
  EXPECT_EQ(values.front(), 50);
  EXPECT_EQ(values.data(), storage);  // the caller's vector is reused

  device.setChunkSize(5);  // a read limit stops an unfinished block
  device.feed(countingBlock(1));
  const uint32_t reads = device.readCalls();
  EXPECT_FALSE(reader.readBlock(2));
  EXPECT_EQ(device.readCalls() - reads, 2u);

  device.setChunkSize(0);  // streaming is detected by the distance of two block starts
  device.feed(countingBlock(1) + countingBlock(2));
  EXPECT_TRUE(reader.detectStreaming(500));  // above 160 blocks per second there is still one try
  device.feed(test::frameBlock(1, "abc") + test::frameBlock(2, "abc"));
  EXPECT_FALSE(reader.detectStreaming(160));  // blocks of another size are another stream
}

TEST_F(BlockReaderTest, FindsExactlyTheValidBlocksOfADamagedStream) {
  reader.configure(kTenBytes);
  const std::string lookAlikes = "\xAA\x55\xAA\xAA\x55\x00\xAA\x55\x01\xAA"s;  // header look-alikes
  const std::string lookAlikeBlocks = test::frameBlock(1, lookAlikes) + test::frameBlock(0xAA55, lookAlikes);
  const struct {
    const char* what;
    std::string stream;
    std::vector<int> sequences;
  } cases[] = {
      {"a torn first block", countingBlock(1).substr(7) + countingBlock(2) + countingBlock(3), {2, 3}},
      {"look-alikes, starting inside a block", lookAlikeBlocks.substr(2) + countingBlock(3), {0xAA55, 3}},
      {"a changed checksum and a bad start",
       test::withChangedByte(countingBlock(1), 18) + test::withChangedByte(countingBlock(2), 1, 0x03) +
           countingBlock(3),
       {3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    device.feed(c.stream);
    std::vector<int> found;
    for (int sequence = readSequence(); sequence >= 0; sequence = readSequence()) found.push_back(sequence);
    EXPECT_EQ(found, c.sequences);
  }
}

TEST_F(BlockReaderTest, UnconfiguredOrSilentReadsFail) {
  EXPECT_EQ(readSequence(), -1);  // no configure yet
  EXPECT_EQ(device.readCalls(), 0u);

  reader.configure(kTenBytes);
  const std::string block = countingBlock(1);
  device.feed(block.substr(0, 5));
  device.feedTimeOut();
  device.feed(block.substr(5) + countingBlock(2));
  EXPECT_EQ(readSequence(), -1);  // late: the bytes read so far are dropped
  EXPECT_EQ(readSequence(), 2);

  device.feedFailure();
  EXPECT_EQ(readSequence(), -1);
  EXPECT_TRUE(device.isConnected());

  // Shapes no device has: a gigabyte block is refused, negative fields count as empty.
  reader.configure({SignalInfo("EEG", 999, 999, 999, 1)});
  EXPECT_EQ(reader.blockBytes(), 0u);
  reader.configure({SignalInfo("BVP", -2, 1, -3, 1), SignalInfo("DIN", 1, 1, 1, 1)});
  EXPECT_EQ(std::make_pair(reader.blockBytes(), reader.valuesPerRead()), std::make_pair(10u, 1u));
}

TEST_F(BlockReaderTest, ATricklingDeviceHoldsNoReadNorCommandAnswerBeyondAFewTimeOuts) {
  device.pause = std::chrono::milliseconds(2);
  device.setTimeout(50);
  device.setChunkSize(1);
  device.repeatForever("\x01");
  reader.configure(kTenBytes);
  // Without a time bound each call would take its 4096 bytes (about 10 s) or 100 reads.
  EXPECT_FALSE(reader.readBlock());
  EXPECT_LT(device.bytesRead(), 1000u) << "two 50 ms time-outs hold about 50 bytes";
  EXPECT_FALSE(reader.detectStreaming(160));
  EXPECT_LT(device.bytesRead(), 2000u);

  device.pause = std::chrono::milliseconds(50);
  const uint32_t before = device.readCalls();
  EXPECT_FALSE(reader.drainInput());
  EXPECT_LT(device.readCalls() - before, 80u) << "a drain gives up after about 1.7 s, not 100 reads";
  EXPECT_EQ(device.timeout(), 50u);  // as the detection and the drain found it

  // An answer that never ends times out as a whole: empty, as after a time-out.
  device.pause = std::chrono::milliseconds(2);
  device.setTimeout(5);
  std::string version = "old";
  EXPECT_TRUE(commands::getVersion(&device, version));
  EXPECT_EQ(version, "");
}

}  // namespace
}  // namespace zav

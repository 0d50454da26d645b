#include "driver/block_reader.h"

#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "support/scripted_connection.h"

namespace zav {
namespace {

using namespace std::string_literals;
using test::ScriptedConnection;

// A whole data block around the payload, with its checksum.
std::string makeBlock(uint16_t sequence, const std::string& payload, uint16_t battery = 3700, uint16_t flags = 0) {
  std::vector<uint8_t> block = {0xAA, 0x55, 0, 0, 0, 0, 0, 0};
  writeU16BE(&block[2], sequence);
  writeU16BE(&block[4], battery);
  writeU16BE(&block[6], flags);
  block.insert(block.end(), payload.begin(), payload.end());
  block.push_back(byteSum(block.data(), block.size()));
  return std::string(block.begin(), block.end());
}

// Payload bytes for a list of plain one-byte signals: value i is (seed + i).
std::string countingPayload(std::size_t size, uint8_t seed) {
  std::string payload(size, '\0');
  for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<char>(seed + i);
  return payload;
}

class BlockReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device.open();
    device.setTimeout(2000);
    reader.setConnection(&device);
  }

  // Reads one block; the sequence number, or -1 when the read failed.
  int readSequence() {
    uint16_t sequence = 0, battery = 0, flags = 0;
    if (!reader.readAndDecode(values, sequence, battery, flags)) return -1;
    return sequence;
  }

  ScriptedConnection device;
  BlockReader reader;
  std::vector<double> values;
};

// Ten plain one-byte channels: a 19-byte block whose values are its payload bytes.
const SignalList kTenBytes = {SignalInfo("BVP", 10, 1, 1, 1)};

TEST_F(BlockReaderTest, ReadsBackToBackBlocksAndTheirHeader) {
  reader.configure(kTenBytes);
  EXPECT_EQ(reader.blockBytes(), 19u);
  device.feed(makeBlock(0x1234, countingPayload(10, 1), 0xFFFF, 0x0102) + makeBlock(7, countingPayload(10, 50)));
  device.setChunkSize(4);
  uint16_t sequence = 0, battery = 0, flags = 0;
  ASSERT_TRUE(reader.readAndDecode(values, sequence, battery, flags));
  EXPECT_EQ(sequence, 0x1234);
  EXPECT_EQ(battery, 0xFFFF);
  EXPECT_EQ(flags, 0x0102);
  EXPECT_EQ(values, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  const double* storage = values.data();
  EXPECT_EQ(readSequence(), 7);
  EXPECT_EQ(values.front(), 50);
  EXPECT_EQ(values.data(), storage);  // the caller's vector is reused
}

TEST_F(BlockReaderTest, ResynchronisesOnATornFirstBlock) {
  reader.configure(kTenBytes);
  const std::string first = makeBlock(1, countingPayload(10, 1));
  device.feed(first.substr(7) + makeBlock(2, countingPayload(10, 20)) + makeBlock(3, countingPayload(10, 30)));
  EXPECT_EQ(readSequence(), 2);
  EXPECT_EQ(values.front(), 20);
  EXPECT_EQ(readSequence(), 3);
}

TEST_F(BlockReaderTest, PayloadSyncBytesAreOnlyFalseStarts) {
  reader.configure(kTenBytes);
  // Payloads full of header look-alikes; the stream starts inside the first block.
  const std::string lookAlikes = "\xAA\x55\xAA\xAA\x55\x00\xAA\x55\x01\xAA"s;
  const std::string stream = makeBlock(1, lookAlikes) + makeBlock(0xAA55, lookAlikes) + makeBlock(3, lookAlikes);
  device.feed(stream.substr(2));
  EXPECT_EQ(readSequence(), 0xAA55);
  EXPECT_EQ(values[0], static_cast<double>(static_cast<int8_t>(0xAA)));
  EXPECT_EQ(readSequence(), 3);
}

TEST_F(BlockReaderTest, SkipsABlockWhoseChecksumIsOffByOne) {
  reader.configure(kTenBytes);
  std::string bad = makeBlock(1, countingPayload(10, 1));
  bad.back() = static_cast<char>(bad.back() + 1);
  std::string badSync = makeBlock(2, countingPayload(10, 1));
  badSync[1] = 0x56;
  device.feed(bad + badSync + makeBlock(3, countingPayload(10, 9)));
  values.assign(10, -1.0);
  EXPECT_EQ(readSequence(), 3);
  EXPECT_EQ(values.front(), 9);
}

TEST_F(BlockReaderTest, SignalsThatAreOffTakeNoBytes) {
  reader.configure({SignalInfo("EEG", 32, 3, 8, 1), SignalInfo("ACC", 3, 2, 1, 0), SignalInfo("uSD", 0, 0, 0, 1)});
  EXPECT_EQ(reader.blockBytes(), 777u);
  EXPECT_EQ(reader.valuesPerRead(), 256u);
  std::string payload(768, '\0');
  payload[2] = 1;          // channel 0, sample 0 is raw 1
  payload[767] = '\xFF';   // channel 31, sample 7 is raw 0x0000FF
  device.feed(makeBlock(5, payload));
  ASSERT_EQ(readSequence(), 5);
  ASSERT_EQ(values.size(), 256u);
  const double step = 0.9837 * 1.2369316684905967e-08 * 1000000.0;
  EXPECT_DOUBLE_EQ(values[0], step);
  EXPECT_DOUBLE_EQ(values[255], 255 * step);
}

TEST_F(BlockReaderTest, SignalsKeepTheirPlacesWhateverTheirModes) {
  // Mode 200 is on for the block layout but is no decodable mode: its byte is passed
  // over and its value keeps what it held; the next signal still decodes its own byte.
  reader.configure({SignalInfo("BVP", 1, 1, 1, 200), SignalInfo("DIN", 2, 1, 1, 1)});
  EXPECT_EQ(reader.blockBytes(), 12u);
  device.feed(makeBlock(1, "\x05\x00\x07"s));
  values.assign(3, 42.0);
  ASSERT_EQ(readSequence(), 1);
  EXPECT_EQ(values, (std::vector<double>{42.0, 0.0, 1.0}));
}

TEST_F(BlockReaderTest, UnconfiguredOrSilentReadsFail) {
  EXPECT_EQ(readSequence(), -1);  // no configure yet
  EXPECT_EQ(device.readCalls(), 0u);
  EXPECT_EQ(reader.valuesPerRead(), 0u);

  reader.configure(kTenBytes);
  const std::string block = makeBlock(1, countingPayload(10, 1));
  device.feed(block.substr(0, 5));
  device.feedTimeOut();
  device.feed(block.substr(5) + makeBlock(2, countingPayload(10, 1)));
  EXPECT_EQ(readSequence(), -1);  // late: the bytes read so far are dropped
  EXPECT_TRUE(device.isConnected());
  EXPECT_EQ(readSequence(), 2);

  device.feedFailure();
  EXPECT_EQ(readSequence(), -1);
  EXPECT_TRUE(device.isConnected());
  device.feedLinkLoss();
  EXPECT_EQ(readSequence(), -1);
  EXPECT_FALSE(device.isConnected());

  BlockReader detached;
  detached.configure(kTenBytes);
  EXPECT_FALSE(detached.readBlock());

  // Shapes no device has: a gigabyte block is refused, negative fields count as empty.
  detached.configure({SignalInfo("EEG", 999, 999, 999, 1)});
  EXPECT_EQ(detached.blockBytes(), 0u);
  detached.configure({SignalInfo("BVP", -2, 1, -3, 1), SignalInfo("DIN", 1, 1, 1, 1)});
  EXPECT_EQ(detached.blockBytes(), 10u);
  EXPECT_EQ(detached.valuesPerRead(), 1u);
}

TEST_F(BlockReaderTest, ReadLimitStopsAnUnfinishedBlock) {
  reader.configure(kTenBytes);
  device.setChunkSize(5);
  device.feed(makeBlock(1, countingPayload(10, 1)));
  EXPECT_FALSE(reader.readBlock(2));
  EXPECT_EQ(device.readCalls(), 2u);
}

TEST_F(BlockReaderTest, EndlessGarbageGivesUpAndTheNextReadSearchesOn) {
  // A 64-channel 24-bit block of 8 samples, as a device at the wrong line speed would
  // never send it.
  reader.configure({SignalInfo("EEG", 64, 3, 8, 1)});
  const uint32_t n = reader.blockBytes();
  for (const std::string& garbage : {std::string("\x13\x57\x9B\xDF"), std::string(1, '\xAA'),
                                     std::string("\xAA\x55\x00\x01")}) {
    device.repeatForever(garbage);
    device.setChunkSize(100);
    const uint64_t before = device.bytesRead();
    EXPECT_EQ(readSequence(), -1);
    EXPECT_TRUE(device.isConnected());
    // Bounded by a few blocks' worth of bytes.
    EXPECT_LE(device.bytesRead() - before, 4 * n + 1024 + 100);
  }
  device.repeatForever("");
  device.feed(std::string(300, '\x42') + makeBlock(9, std::string(n - 9, '\0')));
  EXPECT_EQ(readSequence(), 9);
}

TEST_F(BlockReaderTest, DrainStopsWhenTheDeviceFallsSilent) {
  EXPECT_TRUE(reader.drainInput());  // nothing to drain
  device.feed(std::string(3000, 'x'));
  EXPECT_TRUE(reader.drainInput());
  EXPECT_EQ(device.pendingBytes(), 0u);
  EXPECT_EQ(device.timeout(), 2000u);

  device.repeatForever("stream");
  const uint32_t before = device.readCalls();
  EXPECT_FALSE(reader.drainInput());
  EXPECT_EQ(device.readCalls() - before, 100u);
  EXPECT_EQ(device.timeout(), 2000u);

  device.close();
  EXPECT_TRUE(reader.drainInput());
}

TEST_F(BlockReaderTest, DetectStreamingMeasuresTheBlockDistance) {
  reader.configure(kTenBytes);
  const std::string blocks = makeBlock(1, countingPayload(10, 1)) + makeBlock(2, countingPayload(10, 1));
  // Above 160 blocks per second there is still one try.
  device.feed(blocks);
  EXPECT_TRUE(reader.detectStreaming(500));
  EXPECT_EQ(device.timeout(), 2000u);
  device.feed(blocks);
  EXPECT_TRUE(reader.detectStreaming(0));

  // Blocks of another size are not this configuration's stream.
  device.feed(makeBlock(1, "abc") + makeBlock(2, "abc"));
  EXPECT_FALSE(reader.detectStreaming(160));
  // A silent device, and one that sends endless noise, are not streaming either.
  EXPECT_FALSE(reader.detectStreaming(32));
  device.repeatForever(std::string(1, '\0'));
  EXPECT_FALSE(reader.detectStreaming(32));
  EXPECT_EQ(device.timeout(), 2000u);

  device.close();
  EXPECT_FALSE(reader.detectStreaming(32));
}

}  // namespace
}  // namespace zav

#include "driver/block_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/record_writer.h"
#include "support/scripted_connection.h"

namespace zav {
namespace {

using namespace std::string_literals;
using test::frameBlock;
using test::ScriptedConnection;

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
  device.feed(frameBlock(0x1234, countingPayload(10, 1), 0xFFFF, 0x0102) +
              frameBlock(7, countingPayload(10, 50)));
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

TEST_F(BlockReaderTest, FindsExactlyTheValidBlocksOfADamagedStream) {
  reader.configure(kTenBytes);
  const auto block = [](uint16_t sequence) { return frameBlock(sequence, countingPayload(10, 1)); };
  const std::string lookAlikes = "\xAA\x55\xAA\xAA\x55\x00\xAA\x55\x01\xAA"s;  // header look-alikes
  const std::string lookAlikeBlocks = frameBlock(1, lookAlikes) + frameBlock(0xAA55, lookAlikes);
  std::string badChecksum = block(1);
  badChecksum.back() = static_cast<char>(badChecksum.back() + 1);
  std::string badSync = block(2);
  badSync[1] = 0x56;
  const struct {
    const char* what;
    std::string stream;
    std::vector<int> sequences;
  } cases[] = {
      {"a torn first block", block(1).substr(7) + block(2) + block(3), {2, 3}},
      {"look-alikes, starting inside a block", lookAlikeBlocks.substr(2) + block(3), {0xAA55, 3}},
      {"a checksum off by one and a bad start", badChecksum + badSync + block(3), {3}},
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
  EXPECT_EQ(reader.valuesPerRead(), 0u);

  reader.configure(kTenBytes);
  const std::string block = frameBlock(1, countingPayload(10, 1));
  device.feed(block.substr(0, 5));
  device.feedTimeOut();
  device.feed(block.substr(5) + frameBlock(2, countingPayload(10, 1)));
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
  device.feed(frameBlock(1, countingPayload(10, 1)));
  EXPECT_FALSE(reader.readBlock(2));
  EXPECT_EQ(device.readCalls(), 2u);
}

TEST_F(BlockReaderTest, EndlessGarbageGivesUpAndTheNextReadSearchesOn) {
  // A 64-channel 24-bit block of 8 samples, as a device at the wrong line speed would
  // never send it.
  reader.configure({SignalInfo("EEG", 64, 3, 8, 1)});
  const uint32_t n = reader.blockBytes();
  for (const std::string& garbage :
       {std::string("\x13\x57\x9B\xDF"), std::string(1, '\xAA'), std::string("\xAA\x55\x00\x01")}) {
    device.repeatForever(garbage);
    device.setChunkSize(100);
    const uint64_t before = device.bytesRead();
    EXPECT_EQ(readSequence(), -1);
    EXPECT_TRUE(device.isConnected());
    // Bounded by a few blocks' worth of bytes.
    EXPECT_LE(device.bytesRead() - before, 4 * n + 1024 + 100);
  }
  device.repeatForever("");
  device.feed(std::string(300, '\x42') + frameBlock(9, std::string(n - 9, '\0')));
  EXPECT_EQ(readSequence(), 9);
}

// A device that sends one byte at a time, each well within the time-out.
class TricklingConnection : public ScriptedConnection {
 public:
  std::chrono::milliseconds pause{2};

 protected:
  uint32_t doRead(uint8_t* buffer, uint32_t count) override {
    std::this_thread::sleep_for(pause);
    return ScriptedConnection::doRead(buffer, count);
  }
};

TEST(BlockReaderTrickle, ATricklingDeviceHoldsNoCallBeyondAFewTimeOuts) {
  TricklingConnection device;
  device.open();
  device.setTimeout(50);
  device.setChunkSize(1);
  device.repeatForever("\x01");
  BlockReader reader(&device);
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
  EXPECT_EQ(device.timeout(), 50u);
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
  const std::string blocks = frameBlock(1, countingPayload(10, 1)) + frameBlock(2, countingPayload(10, 1));
  // Above 160 blocks per second there is still one try.
  device.feed(blocks);
  EXPECT_TRUE(reader.detectStreaming(500));
  EXPECT_EQ(device.timeout(), 2000u);
  device.feed(blocks);
  EXPECT_TRUE(reader.detectStreaming(0));

  // Blocks of another size are not this configuration's stream.
  device.feed(frameBlock(1, "abc") + frameBlock(2, "abc"));
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

// The handle's own logic over a scripted device; batches of blocks against one read per block.
#include "api/driver_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "api/block_batch.h"
#include "api/make_device.h"
#include "common/byte_order.h"
#include "platform/clock.h"
#include "support/allocation_counter.h"
#include "support/record_writer.h"
#include "support/scripted_connection.h"

namespace zav::detail {
namespace {

std::string block(uint16_t sequence, bool acc = true) {
  std::string payload(acc ? 18 + 6 : 18, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(sequence * 7 + i * 13);
  return test::frameBlock(sequence, payload, 3700, sequence % 3);
}

// The device clock runs this far ahead of the host's; the two bounds add up beyond 32 bits.
constexpr uint32_t kClockOffset = 0x40000000u;

// Answers clock samples from a clock kClockOffset ahead, taking a little while like a real exchange.
class ClockDevice : public test::ScriptedConnection {
 protected:
  uint32_t doWrite(const uint8_t* buffer, uint32_t count) override {
    if (count == 1 && buffer[0] == 0x01) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const auto now = static_cast<uint32_t>(platform::systemTime100ns() / 10) + kClockOffset;
      uint8_t times[8];
      writeU32BE(times, now);
      writeU32BE(times + 4, now + 1);
      answerRaw(std::string(1, '\x01'), std::string(times, times + 8));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ScriptedConnection::doWrite(buffer, count);
  }
};

// A handle over a clock device with EEG 2 channels x 3 samples, the SD card, ACC 3 x 1 (switchable).
struct Rig {
  explicit Rig(bool acc = true, const std::string& version = "HW1.0_FW1.2") {
    auto owned = std::make_unique<ClockDevice>();
    device = owned.get();
    device->answer("gv", version);
    device->answer("gf", "100");
    answerSignals(acc);
    handle = std::make_unique<DriverConnection>(makeDevice(std::move(owned)), 1);
  }
  bool run() {
    handle->connect();
    return handle->start();
  }
  void answerSignals(bool acc) {
    std::string text;
    for (const SignalInfo& info : SignalList{{"EEG", 2, 3, 3, 1}, {"uSD", 0, 0, 0, 0}, {"ACC", 3, 2, 1, acc}})
      text += signalRecordText(info);
    device->answer("gc", text);
  }
  const double* read() { return handle->read(sequence, battery, flags); }

  ClockDevice* device;
  std::unique_ptr<DriverConnection> handle;
  uint16_t sequence = 0, battery = 0, flags = 0;
};

TEST(DriverConnection, ALostLinkDisconnectsReconnectResumesStreamingWithTheSameSignalHandles) {
  Rig rig;
  EXPECT_EQ(rig.handle->signalCount(), 0);
  ASSERT_TRUE(rig.run());
  ASSERT_EQ(rig.handle->signalCount(), 2);
  SignalHandle* acc = rig.handle->signal(1);
  EXPECT_EQ(acc->index, 2u) << "the SD card is skipped, the driver's index kept";
  rig.device->feed(block(10));
  ASSERT_NE(rig.read(), nullptr);

  rig.device->feedLinkLoss();
  EXPECT_EQ(rig.read(), nullptr);
  EXPECT_FALSE(rig.handle->driver().isConnected());

  // The device kept streaming: the reconnection finds blocks and resumes without a command.
  rig.device->clearWritten();
  rig.device->repeatForever(block(11));
  rig.handle->reconnect();
  EXPECT_TRUE(rig.handle->driver().isRunning());
  EXPECT_EQ(rig.device->written(), "");
  ASSERT_NE(rig.read(), nullptr);
  EXPECT_EQ(rig.sequence, 11);
  EXPECT_EQ(rig.handle->signal(1), acc);

  EXPECT_FALSE(rig.handle->stop()) << "the endless stream cannot drain";
  EXPECT_TRUE(rig.handle->driver().isRunning());
}

TEST(DriverConnection, AfterAStopThatFindsOtherModesAReadHoldsWhatTheSizeSays) {
  Rig rig(false);
  ASSERT_TRUE(rig.run());
  ASSERT_EQ(rig.handle->readDataSize(), 6);

  // The device switched ACC on meanwhile, then sends one more block of the old layout.
  rig.answerSignals(true);
  ASSERT_TRUE(rig.handle->stop());
  EXPECT_EQ(rig.handle->readDataSize(), 9);
  rig.device->feed(block(5, false));
  EXPECT_EQ(rig.read(), nullptr);
  rig.device->feed(block(6, false) + block(7));
  ASSERT_NE(rig.read(), nullptr);
  EXPECT_EQ(rig.sequence, 7);
}

TEST(DriverConnection, SynchronizationNeedsFirmwareOneAndConvergingSamples) {
  Rig old(true, "HW1.0_FW0.9");
  old.handle->connect();
  uint32_t roundTrip = 77;
  int32_t offset = 77;
  EXPECT_FALSE(old.handle->synchronize(roundTrip, offset));
  EXPECT_EQ(std::make_pair(roundTrip, offset), std::make_pair(77u, 77));  // untouched
  EXPECT_EQ(old.device->written().find("ck"), std::string::npos);

  Rig steady;
  steady.handle->connect();
  EXPECT_TRUE(steady.handle->synchronize(roundTrip, offset));
  EXPECT_NEAR(static_cast<double>(offset), static_cast<double>(kClockOffset), 50000.0);
  EXPECT_TRUE(roundTrip > 0 && roundTrip < 1000000u) << roundTrip;
  EXPECT_EQ(steady.device->writes().back(), "a");
}

TEST(BlockBatch, PlacesEachBlockAsItsOwnReadGaveItAndStopsCleanly) {
  struct Case {
    const char* what;
    bool acc;          // ACC on for this call (a change stops, switches and starts again)
    int count, fed;    // fed: the blocks the device has; reads after them time out
    int64_t capacity;  // doubles, relative to count x the call's values per block
    bool noValues;
    int expected;
    const char* stopped;
  };
  const char* const kTooSmall = "capacity below count x data size";
  const Case cases[] = {
      {"every block", true, 4, 4, 0, false, 4, nullptr},
      {"a time-out part way keeps the blocks read", true, 40, 37, 0, false, 37,
       "no whole block arrived before the time-out"},
      {"missing storage", true, 2, 0, 0, true, -1, "no room for the blocks"},
      {"a negative count", true, -1, 0, 0, false, -1, "no room for the blocks"},
      {"nothing asked", true, 0, 0, 0, true, 0, nullptr},
      {"a capacity one short", true, 2, 0, -1, false, -1, kTooSmall},
      {"after a mode change the call follows the new layout", false, 3, 3, 0, false, 3, nullptr},
      {"a capacity that fitted the old layout", true, 3, 0, -9, false, -1, kTooSmall},
      {"and the new layout, given room", true, 3, 3, 0, false, 3, nullptr},
  };
  for (const BlockOrder order : {BlockOrder::rows, BlockOrder::planar}) {
    Rig batch, single;  // every block fed goes to both; single reads them one by one
    bool acc = true;
    uint16_t next = 65533;  // across the wrap
    ASSERT_TRUE(batch.run() && single.run());
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(order == BlockOrder::rows ? "rows: " : "planar: ") + c.what);
      if (c.acc != acc) {
        acc = c.acc;
        for (Rig* rig : {&batch, &single}) {
          rig->answerSignals(acc);
          ASSERT_TRUE(rig->handle->stop());  // re-reads the modes
          ASSERT_TRUE(rig->handle->start());
        }
      }
      const std::size_t size = acc ? 9 : 6;
      const std::size_t count = static_cast<std::size_t>(std::max(c.count, 0));
      std::vector<std::vector<double>> expected;
      std::vector<std::array<uint16_t, 3>> given;
      for (int i = 0; i < c.fed; ++i, ++next) {
        batch.device->feed(block(next, acc));
        single.device->feed(block(next, acc));
        const double* values = single.read();
        ASSERT_NE(values, nullptr);
        ASSERT_EQ(single.handle->lastReadSize(), size);
        expected.emplace_back(values, values + size);
        given.push_back({single.sequence, single.battery, single.flags});
      }
      const double untouched = -12345.0;
      std::vector<double> values(count * size + 1, untouched);
      std::vector<uint16_t> outputs(3 * (count + 1), 77);  // sequences, batteries, flags
      const auto words = [&](std::size_t list) { return &outputs[list * (count + 1)]; };
      const uint64_t capacity = static_cast<uint64_t>(static_cast<int64_t>(count * size) + c.capacity);
      const BlockBatch request{c.count, c.noValues ? nullptr : values.data(), capacity, words(0), words(1),
                               words(2)};
      const char* stopped = "unset";
      ASSERT_EQ(readBlockBatch(*batch.handle, request, order, stopped), c.expected);
      EXPECT_STREQ(stopped, c.stopped);

      // Where block b's value v belongs: EEG (channels of 3 samples) first, then ACC.
      const auto place = [&](std::size_t b, std::size_t v) {
        if (order == BlockOrder::rows) return b * size + v;
        const std::size_t offset = v < 6 ? 0 : 6;
        const std::size_t samples = v < 6 ? 3 : 1;
        const std::size_t channel = (v - offset) / samples;
        return count * offset + channel * count * samples + b * samples + (v - offset) % samples;
      };
      // Each value found is wiped: a place written twice fails, and no other place may change.
      for (std::size_t b = 0; b < expected.size() && c.expected > 0; ++b) {
        for (std::size_t v = 0; v < size; ++v) {
          ASSERT_EQ(std::exchange(values[place(b, v)], untouched), expected[b][v])
              << "block " << b << " value " << v;
        }
        for (std::size_t list = 0; list < 3; ++list)
          EXPECT_EQ(std::exchange(words(list)[b], 77), given[b][list]);
      }
      EXPECT_EQ(values, std::vector<double>(values.size(), untouched));
      EXPECT_EQ(outputs, std::vector<uint16_t>(outputs.size(), 77));
    }
  }
}

TEST(BlockBatch, AllocatesPerBatchNotPerBlock) {
  for (const BlockOrder order : {BlockOrder::rows, BlockOrder::planar}) {
    Rig rig;
    ASSERT_TRUE(rig.run());
    uint16_t next = 0;
    const auto allocationsFor = [&](int count) {
      for (int i = 0; i < count; ++i) rig.device->feed(block(next++));
      std::vector<double> values(static_cast<std::size_t>(count) * 9);
      const char* stopped = nullptr;
      const uint64_t before = test::allocations();
      EXPECT_EQ(readBlockBatch(*rig.handle, {count, values.data(), values.size()}, order, stopped), count);
      return test::allocations() - before;
    };
    allocationsFor(4);  // warms the handle up
    const uint64_t one = allocationsFor(1);
    EXPECT_EQ(allocationsFor(64), one);
  }
}

}  // namespace
}  // namespace zav::detail

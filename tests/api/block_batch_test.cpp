// Batches of blocks in rows and planar, against one read per block of the same blocks.
#include "api/block_batch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/allocation_counter.h"
#include "support/record_writer.h"
#include "support/scripted_connection.h"

namespace zav::detail {
namespace {

// EEG 2 channels x 3 samples, the SD card, ACC 3 channels x 1 sample (switchable).
SignalList signals(bool acc) { return {{"EEG", 2, 3, 3, 1}, {"uSD", 0, 0, 0, 0}, {"ACC", 3, 2, 1, acc ? 1 : 0}}; }

std::string block(uint16_t sequence, bool acc) {
  std::string payload(acc ? 18 + 6 : 18, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(sequence * 7 + i * 13);
  return test::frameBlock(sequence, payload, 3700, sequence % 3);
}

// A handle on a scripted device; every block fed goes to two of them, one read block by block.
struct Rig {
  test::ScriptedConnection* device = nullptr;
  std::unique_ptr<DriverConnection> handle;

  Rig() {
    auto owned = std::make_unique<test::ScriptedConnection>();
    device = owned.get();
    device->answer("gv", "HW1.0_FW1.2");
    device->answer("gf", "100");
    setAcc(true);
    handle = std::make_unique<DriverConnection>(makeDevice(std::move(owned)), 1);
    handle->connect();
  }
  void setAcc(bool on) {
    std::string text;
    for (const SignalInfo& info : signals(on)) text += signalRecordText(info);
    device->answer("gc", text);
  }
};

TEST(BlockBatch, PlacesEachBlockAsItsOwnReadGaveItAndStopsCleanly) {
  struct Case {
    const char* what;
    bool acc;          // ACC on for this call (a change stops, switches and starts again)
    int count;
    int fed;           // blocks the device has; reads after them time out
    int64_t capacity;  // doubles, relative to count x the call's values per block
    bool noValues;
    int expected;
    const char* stopped;
  };
  const Case cases[] = {
      {"every block", true, 4, 4, 0, false, 4, nullptr},
      {"a time-out part way keeps the blocks read", true, 40, 37, 0, false, 37,
       "no whole block arrived before the time-out"},
      {"missing storage", true, 2, 0, 0, true, -1, "no room for the blocks"},
      {"a negative count", true, -1, 0, 0, false, -1, "no room for the blocks"},
      {"nothing asked", true, 0, 0, 0, true, 0, nullptr},
      {"a capacity one short", true, 2, 0, -1, false, -1, "capacity below count x data size"},
      {"after a mode change the call follows the new layout", false, 3, 3, 0, false, 3, nullptr},
      {"a capacity that fitted the old layout", true, 3, 0, -9, false, -1, "capacity below count x data size"},
      {"and the new layout, given room", true, 3, 3, 0, false, 3, nullptr},
  };
  for (const BlockOrder order : {BlockOrder::rows, BlockOrder::planar}) {
    Rig batch;
    Rig single;
    bool acc = true;
    uint16_t next = 65533;  // across the wrap
    for (Rig* rig : {&batch, &single}) ASSERT_TRUE(rig->handle->start());
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(order == BlockOrder::rows ? "rows: " : "planar: ") + c.what);
      if (c.acc != acc) {
        acc = c.acc;
        for (Rig* rig : {&batch, &single}) {
          rig->setAcc(acc);
          ASSERT_TRUE(rig->handle->stop());  // re-reads the modes
          ASSERT_TRUE(rig->handle->start());
        }
      }
      const std::size_t size = acc ? 9 : 6;
      const std::size_t count = c.count > 0 ? static_cast<std::size_t>(c.count) : 0;
      std::vector<std::vector<double>> expected;
      std::vector<uint16_t> words[3];
      for (int i = 0; i < c.fed; ++i, ++next) {
        batch.device->feed(block(next, acc));
        single.device->feed(block(next, acc));
        uint16_t sequence = 0, battery = 0, flags = 0;
        const double* values = single.handle->read(sequence, battery, flags);
        ASSERT_NE(values, nullptr);
        ASSERT_EQ(single.handle->lastReadSize(), size);
        expected.emplace_back(values, values + size);
        for (auto [list, word] : {std::pair{0, sequence}, std::pair{1, battery}, std::pair{2, flags}}) {
          words[list].push_back(word);
        }
      }
      const double untouched = -12345.0;
      std::vector<double> values(count * size + 1, untouched);
      std::vector<uint16_t> outputs[3] = {std::vector<uint16_t>(count + 1, 77), std::vector<uint16_t>(count + 1, 77),
                                          std::vector<uint16_t>(count + 1, 77)};
      const BlockBatch request{c.count, c.noValues ? nullptr : values.data(),
                               static_cast<uint64_t>(static_cast<int64_t>(count * size) + c.capacity),
                               outputs[0].data(), outputs[1].data(), outputs[2].data()};
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
      std::vector<bool> written(values.size(), false);
      for (std::size_t b = 0; b < expected.size() && c.expected > 0; ++b) {
        for (std::size_t v = 0; v < size; ++v) {
          ASSERT_EQ(values[place(b, v)], expected[b][v]) << "block " << b << " value " << v;
          written[place(b, v)] = true;
        }
        for (int list = 0; list < 3; ++list) EXPECT_EQ(outputs[list][b], words[list][b]);
      }
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (!written[i]) {
          ASSERT_EQ(values[i], untouched) << i;
        }
      }
      const std::size_t read = c.expected > 0 ? static_cast<std::size_t>(c.expected) : 0;
      for (int list = 0; list < 3; ++list) EXPECT_EQ(outputs[list][read], 77);
    }
  }
}

TEST(BlockBatch, AllocatesPerBatchNotPerBlock) {
  for (const BlockOrder order : {BlockOrder::rows, BlockOrder::planar}) {
    Rig rig;
    ASSERT_TRUE(rig.handle->start());
    uint16_t next = 0;
    const auto allocationsFor = [&](int count) {
      for (int i = 0; i < count; ++i) rig.device->feed(block(next++, true));
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

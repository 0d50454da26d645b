#include "api/block_batch.h"

#include <algorithm>
#include <cstddef>

#include "signal/block_layout.h"

namespace zav::detail {

const char* readFailure(const DriverConnection& connection, uint16_t flags) {
  if (!connection.driver().isConnected()) return "not connected (or the link to the device was lost)";
  if (!connection.driver().isRunning()) return "acquisition is not running";
  if (flags == DriverConnection::kUnalignedFlags) return "a record of the set held a gap";
  return "no whole block arrived before the time-out";
}

namespace {

// Copies the block numbered index (of count) to its places in the signals' regions. The runs
// are short (a channel's samples of one block): a plain loop, which the compiler unrolls, costs
// less than a call to the library's copy per run. A block's 40-odd runs lie in as many regions,
// more streams than a processor follows on its own, and a write to memory not in the cache
// waits for it: each run asks for the place of the next block's run (at most one past the end)
// while the next block is read and decoded, which halves what the copy adds to a read.
void spread(const BlockLayout& layout, const double* block, std::size_t count, std::size_t index, double* values) {
  for (const BlockSlot& slot : layout.slots()) {
    if (!slot.enabled()) continue;
    const std::size_t samples = slot.decoder->blockSize();
    const std::size_t stride = count * samples;
    const double* from = block + slot.valueOffset;
    double* to = values + count * slot.valueOffset + index * samples;
    for (uint32_t channel = 0; channel < slot.decoder->channels(); ++channel, from += samples, to += stride) {
      for (std::size_t sample = 0; sample < samples; ++sample) to[sample] = from[sample];
      __builtin_prefetch(to + samples, 1);
    }
  }
}

}  // namespace

int readBlockBatch(DriverConnection& connection, const BlockBatch& batch, BlockOrder order, const char*& stopped) {
  stopped = nullptr;
  if (batch.count < 0 || (batch.count > 0 && batch.values == nullptr)) {
    stopped = "no room for the blocks";
    return -1;
  }
  // Made once per batch, so that the loop allocates nothing; a running acquisition keeps it.
  const BlockLayout layout(connection.driver().signals());
  const uint64_t size = layout.valueCount();
  if (size * static_cast<uint64_t>(batch.count) > batch.capacity) {
    stopped = "capacity below count x data size";
    return -1;
  }
  const auto count = static_cast<std::size_t>(batch.count);
  int read = 0;
  for (; read < batch.count; ++read) {
    uint16_t sequence = 0;
    uint16_t battery = 0;
    uint16_t flags = 0;
    const double* block = connection.read(sequence, battery, flags);
    if (block == nullptr) {
      stopped = readFailure(connection, flags);
      break;
    }
    // A block of another size would not fit the places computed for the batch.
    if (connection.lastReadSize() != size) {
      stopped = "the signals changed";
      break;
    }
    const auto index = static_cast<std::size_t>(read);
    if (order == BlockOrder::rows) {
      std::copy_n(block, size, batch.values + index * size);
    } else {
      spread(layout, block, count, index, batch.values);
    }
    if (batch.sequences != nullptr) batch.sequences[read] = sequence;
    if (batch.batteries != nullptr) batch.batteries[read] = battery;
    if (batch.flags != nullptr) batch.flags[read] = flags;
  }
  return read;
}

}  // namespace zav::detail

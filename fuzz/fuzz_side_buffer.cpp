// The two-device alignment's side buffer: a signal list (first byte: its length) and then
// blocks of values pushed with sequence numbers taken from the input, with marker codes
// searched and samples dropped as the merging driver does. Sequence numbers mostly step by
// a few blocks either way (gaps, repeats, restarts); once per input by any 16-bit amount,
// which reaches the bound on one gap's fill. The bound is a small one here: the real one
// makes every input that reaches it fill megabytes, and the fuzzer run a few hundred
// inputs a second instead of thousands.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzzed_connection.h"
#include "multi/side_buffer.h"
#include "signal/block_layout.h"
#include "signal/signal_info.h"

namespace {
constexpr std::size_t kConsumed = 1 << 10;
// Rows the small steps of one input may add (an upper bound: every block counted with all
// its signals' samples). Without it a list of long blocks turns each input into a chain of
// fills of megabytes, and the fuzzer runs a few hundred inputs a second.
constexpr std::size_t kRowBudget = 1 << 11;
constexpr std::size_t kLongestFillRows = 1 << 10;

std::size_t rowsPerBlockBound(const zav::SignalList& signals) {
  std::size_t rows = 1;
  for (const zav::SignalInfo& info : signals) rows += static_cast<std::size_t>(std::max(info.blockSize, 0));
  return rows;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t listBytes = std::min<std::size_t>(data[0] * 2u, size - 1);
  const zav::SignalList signals =
      zav::parseSignalList(std::string(reinterpret_cast<const char*>(data + 1), listBytes));
  const zav::BlockLayout layout(signals);
  if (layout.valueCount() > 4096) return 0;  // the live reader refuses far less already
  std::vector<double> values(layout.valueCount());
  zav::SideBuffer side(kLongestFillRows);
  std::size_t at = 1 + listBytes;
  const std::size_t blockRows = rowsPerBlockBound(signals);
  std::size_t rowsLeft = kRowBudget;
  uint16_t sequence = 0;
  bool jumped = false;
  while (at + 2 <= size) {
    const uint8_t action = data[at + 1];
    if (action == 0x7F && at + 4 <= size && !jumped) {
      jumped = true;
      sequence = static_cast<uint16_t>(sequence + (data[at + 2] << 8 | data[at + 3]));
      at += 2;
    } else {
      const int step = static_cast<int8_t>(data[at]) / 8;
      const std::size_t rows = static_cast<std::size_t>(std::max(step, 1)) * blockRows;
      if (rows > rowsLeft) break;
      rowsLeft -= rows;
      sequence = static_cast<uint16_t>(sequence + step);
    }
    at += 2;
    for (double& value : values) {
      value = at < size ? static_cast<double>(static_cast<int8_t>(data[at++])) : 0.0;
    }
    side.push(values, signals, sequence);
    // Its consumer keeps a buffer bounded (the set merges and halves it; an import merges):
    // what is looked for here is what one push may cost and do.
    if (side.sampleCount() > kConsumed) side.dropSamples(side.sampleCount() - kConsumed);
    if (side.dinCount() > kConsumed) side.dropDin(side.dinCount() - kConsumed);
    if (side.isReady(signals)) (void)side.value(zav::SideQueue::eeg, 0, action % 40);
    for (const zav::SyncEvent& event : side.findEvents()) (void)event;
    if (action & 0x80) side.dropSamples(action & 0x1F);
    if (action & 0x40) side.dropDin(action & 0x1F);
    if (action == 0x3F) side.clear();
  }
  return 0;
}

// The signal list text and the block reader: the first byte gives the length of a signal
// list (the device's "gc" answer), the rest is the stream script. Every successful read
// holds exactly valuesPerRead values, and the layout agrees with the list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/block_reader.h"
#include "fuzzed_connection.h"
#include "signal/block_layout.h"
#include "signal/signal_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t listBytes = std::min<std::size_t>(data[0] * 2u, size - 1);
  const zav::SignalList signals = zav::parseSignalList(std::string(reinterpret_cast<const char*>(data + 1), listBytes));
  for (const zav::SignalInfo& info : signals) {
    (void)zav::signalRecordText(info);
  }
  zav::fuzz::FuzzedConnection connection(data + 1 + listBytes, size - 1 - listBytes);
  connection.open();
  connection.setTimeout(2000);
  zav::BlockReader reader(&connection);
  reader.configure(signals);
  const zav::BlockLayout layout(signals);
  if (reader.blockBytes() != 0 && reader.valuesPerRead() != layout.valueCount()) {
    zav::fuzz::broken("the reader counts other values than the list's layout");
  }
  std::vector<double> values;
  uint16_t sequence = 0, battery = 0, flags = 0;
  for (int i = 0; i < 64 && connection.isConnected(); ++i) {
    if (reader.readAndDecode(values, sequence, battery, flags) && values.size() != reader.valuesPerRead()) {
      zav::fuzz::broken("a read holds another number of values than valuesPerRead");
    }
    if (i == 8) reader.drainInput();
    if (i == 9) reader.detectStreaming(static_cast<uint16_t>(sequence));
  }
  return 0;
}

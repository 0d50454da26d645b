// Where each signal's bytes and values lie in a data block, computed once from a signal
// list and used by every path that reads or writes blocks (live reader, record import,
// CSV columns, simulated device), so that they cannot disagree.
//
// The rule: a signal other than "uSD" whose mode is 1 or more takes its bytes in the
// payload and its values in the host's array, in list order. It is decoded only when the
// low byte of its mode, as a signed 8-bit number, is above 0 (the device's mode string
// carries only that byte); the values of a signal that is not decoded are NaN.
//
//     BlockLayout layout(signals);
//     std::vector<double> values(layout.valueCount());
//     layout.decodeBlock(block, values.data());   // block: blockBytes() bytes
//     if (const BlockSlot* eeg = layout.find("EEG")) use(values.data() + eeg->valueOffset);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "signal/signal_decoder.h"
#include "signal/signal_info.h"

namespace zav {

struct BlockSlot {
  std::size_t signal = 0;  // index in the list the layout was built from
  std::string type;
  int32_t mode = 0;
  uint64_t byteOffset = 0;   // in the payload
  uint64_t valueOffset = 0;  // in the block's values
  std::unique_ptr<SignalDecoder> decoder;

  // In the block: takes bytes and values.
  bool enabled() const { return mode >= 1; }
  // Enabled and decodable: its low mode byte is positive.
  bool decoded() const;
  // The mode the decoder is given: the low byte, signed.
  int32_t decoderMode() const;
  uint64_t bytes() const { return enabled() ? decoder->bytesPerBlock() : 0; }
  uint64_t values() const { return enabled() ? decoder->valuesPerBlock() : 0; }
};

class BlockLayout {
 public:
  BlockLayout() = default;
  explicit BlockLayout(const SignalList& signals);

  // False when a decoder could not be made (the layout is then empty).
  bool valid() const { return valid_; }
  // One slot per signal that is not "uSD", in list order.
  const std::vector<BlockSlot>& slots() const { return slots_; }
  // The first enabled slot of the type, or null.
  const BlockSlot* find(const std::string& type) const;

  uint64_t payloadBytes() const { return payloadBytes_; }
  // N: header words, payload and checksum.
  uint64_t blockBytes() const;
  uint64_t valueCount() const { return valueCount_; }

  // payloadBytes() bytes in, valueCount() values out.
  void decodePayload(const uint8_t* payload, double* values) const;
  // The same from a whole block (header words first).
  void decodeBlock(const uint8_t* block, double* values) const;
  // valueCount() values in, payloadBytes() bytes out; a slot that is not decoded gets zeros.
  void encodePayload(const double* values, uint8_t* payload) const;

 private:
  std::vector<BlockSlot> slots_;
  uint64_t payloadBytes_ = 0;
  uint64_t valueCount_ = 0;
  bool valid_ = true;
};

}  // namespace zav

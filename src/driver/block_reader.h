// Turns a device's byte stream into validated data blocks and decodes them.
//
// readBlock fills an N-byte buffer with one block whose sync bytes and checksum hold,
// sliding to the next 0xAA after a bad one. A stream that yields no valid block within
// a bounded number of bytes, or within two time-outs and the block's transfer, makes the
// read give up (like a late block) so that a device at the wrong line speed, or one that
// trickles bytes, cannot keep the caller; the next read searches on. Draining and the
// streaming check are bounded in time the same way.
#pragma once

#include <cstdint>
#include <vector>

#include "signal/block_layout.h"
#include "signal/signal_info.h"

namespace zav {

class Connection;

class BlockReader {
 public:
  explicit BlockReader(Connection* connection = nullptr);
  ~BlockReader();
  BlockReader(BlockReader&&) noexcept;
  BlockReader& operator=(BlockReader&&) noexcept;

  void setConnection(Connection* connection);
  Connection* connection() const { return connection_; }

  // Copies the list, rebuilds the decoders and sizes the block buffer.
  void configure(const SignalList& signals);
  // One valid block into the buffer; maxReads 0 means no limit on transport reads.
  bool readBlock(uint32_t maxReads = 0);
  // readBlock, then decode the enabled signals into values (resized, capacity kept; a
  // signal that is not decoded gives NaN). False before the first configure.
  bool readAndDecode(std::vector<double>& values, uint16_t& sequence, uint16_t& battery, uint16_t& flags);
  // Discards what the device already sent; false when it kept sending.
  bool drainInput();
  // Whether blocks of the configured size arrive back to back right now; at least one
  // try is made whatever the frequency (0 counts as 32).
  bool detectStreaming(uint16_t frequency);
  uint32_t valuesPerRead() const;

  uint32_t blockBytes() const { return blockBytes_; }
  const SignalList& signals() const { return signals_; }
  const uint8_t* block() const { return buffer_.data(); }

 private:
  Connection* connection_ = nullptr;
  std::vector<uint8_t> buffer_;
  uint32_t blockBytes_ = 0;
  BlockLayout layout_;
  SignalList signals_;
  std::vector<uint8_t> scratch_;
};

}  // namespace zav

// Bytes of SD-card record files for tests and benchmarks: a header as a device writes it, and
// blocks encoded from values, with the damage a card can show (gaps, changed bytes, padding).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "signal/block_layout.h"
#include "signal/signal_info.h"

namespace zav::test {

class RecordWriter {
 public:
  // signals: the record's list without the SD-card entry, which the writer adds.
  explicit RecordWriter(SignalList signals, uint16_t frequency = 32,
                        std::string description = "zav test record");

  // Header field 4: "Cal", then text, then a NUL.
  void setLayoutField(const std::string& text) { layoutField_ = text; }
  // Pads every block of odd size with one zero byte, as a card might.
  void setPadOddBlocks(bool pad) { padOddBlocks_ = pad; }

  // Header words, payload and checksum; values of one block.
  std::size_t blockBytes() const { return static_cast<std::size_t>(BlockLayout(signals_).blockBytes()); }
  std::size_t valueCount() const { return static_cast<std::size_t>(BlockLayout(signals_).valueCount()); }
  const SignalList& signals() const { return signals_; }

  std::string header() const;
  // One block (with its padding byte, if any) from valueCount() values in the host layout
  // (missing ones count as 0; a signal that is not decoded gets zero bytes).
  std::string block(uint16_t sequence, const std::vector<double>& values, uint16_t battery = 0,
                    uint16_t flags = 0) const;
  // A whole file: the header, then one block per sequence number with values(sequence).
  std::string file(const std::vector<uint16_t>& sequences,
                   const std::function<std::vector<double>(uint16_t)>& values) const;

 private:
  SignalList signals_;
  uint16_t frequency_;
  std::string description_;
  std::optional<std::string> layoutField_;
  bool padOddBlocks_ = false;
};

// A whole data block around the payload bytes: start, header words, checksum.
std::string frameBlock(uint16_t sequence, const std::string& payload, uint16_t battery = 0,
                       uint16_t flags = 0);

// count numbers from first on, wrapping after 65535.
std::vector<uint16_t> sequenceRun(uint16_t first, std::size_t count);
// The bytes with the byte at offset changed (bits of mask flipped) or removed.
std::string withChangedByte(std::string bytes, std::size_t offset, uint8_t mask = 0x01);
std::string withLostByte(std::string bytes, std::size_t offset);

}  // namespace zav::test

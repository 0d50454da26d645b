// The merged blocks of a two-device record, pulled one at a time: the left and the right
// record are read side by side, block i of one side with block i of the other (a side
// being its records one after the other), aligned on their marker codes and merged into
// blocks of the 64-channel list. Memory does not grow with the records' length: it holds
// what the alignment holds (the samples from the start until both sides first share a
// marker code, which are merged once aligned, and the digital input between codes).
//
//     Eeg64Stream stream(leftFolder, rightFolder, "rec_", left.signals(), right.signals(), merged);
//     while (const BaseImporter::Block* block = stream.next()) use(*block);
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "record/base_importer.h"
#include "signal/signal_info.h"

namespace zav {

class Eeg64Stream {
 public:
  using Block = BaseImporter::Block;

  // Each side's records are those recordNamesFor finds for baseName and the side letter;
  // their blocks are pushed with the side's signal list (that of its first record).
  Eeg64Stream(const std::string& leftFolder, const std::string& rightFolder, const std::string& baseName,
              SignalList leftSignals, SignalList rightSignals, SignalList mergedSignals);
  ~Eeg64Stream();
  Eeg64Stream(const Eeg64Stream&) = delete;
  Eeg64Stream& operator=(const Eeg64Stream&) = delete;

  // Called after every left block read; returning false ends the stream there.
  void onLeftBlock(std::function<bool(uint64_t leftBlocks)> hook);

  // The next merged block, valid until the following call; null when either side has
  // no block left (or the hook declined).
  const Block* next();
  // Blocks the headers of every left record count.
  uint64_t leftBlockCount() const;
  // Bytes of one left block.
  uint64_t leftBlockBytes() const;
  // Whether the hook ended the stream.
  bool stopped() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

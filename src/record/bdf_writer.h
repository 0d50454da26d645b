// A record as one BDF+ file (24-bit samples, EDFlib), which EDF readers such as
// MNE-Python, EEGLAB and EDFbrowser open: one BDF signal per channel of every enabled
// signal (bdf_channels.h), data records of one second (the block rate's whole number of
// blocks), and annotations:
//   "lost N blocks"  a run of missing or damaged blocks, with its duration; their samples
//                    are written as physical zero (or the nearest value the range holds);
//   "not aligned"    a run of blocks whose flags say the two devices of a set were not
//                    aligned (flags 7), with its duration;
//   "marker C"       a marker code C decoded on the digital input's marker channel;
//   "no data"        the filler that completes the last data record at close.
//
//     BdfWriter writer("rec.bdf");
//     if (writer.open(signals, frequency)) {
//       writer.write(block);                 // once per block, in time order
//     }
//     bool whole = writer.close();           // the header gets its record count here
//
// A write error closes the file at once, complete up to the last data record written;
// later blocks are dropped and close() reports the loss. Destruction closes the file.
// Builds without EDFlib have the class too: open() fails and error() says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "record/electrode_layout.h"
#include "record/record_sink.h"

namespace zav {

class BdfWriter : public RecordSink {
 public:
  explicit BdfWriter(std::string path);
  ~BdfWriter() override;
  BdfWriter(const BdfWriter&) = delete;
  BdfWriter& operator=(const BdfWriter&) = delete;

  // Whether this build writes BDF at all.
  static bool available();

  // Names the EEG channels after the layout's electrodes; before open.
  void setLayout(const ElectrodeLayout& layout);
  // The header's free recording text (cut to what the header holds); before open.
  void setRecordingText(const std::string& text);

  // Creates the file (replacing one of the same name); false with error() set when the
  // signals cannot be written as BDF or the file cannot be created.
  bool open(const SignalList& signals, uint16_t frequency) override;
  void write(const BaseImporter::Block& block) override;
  // One block's values in the layout of the signals given to open; fewer values than a
  // block holds count as a lost block.
  void write(const double* values, std::size_t count, uint16_t flags);
  // Blocks that never arrived: filler samples and a "lost" annotation.
  void writeLost(uint64_t blocks);
  bool close() override;

  bool isOpen() const;
  // Why open failed or the file was closed early; empty otherwise.
  const std::string& error() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

// Where an imported record goes: a file format that takes the record's blocks one at a
// time (the CSV files; other formats alike).
//
//     if (sink.open(signals, frequency)) {
//       while (const BaseImporter::Block* block = stream.next()) sink.write(*block);
//     }
//     bool whole = sink.close();
#pragma once

#include <cstdint>

#include "record/base_importer.h"
#include "signal/signal_info.h"

namespace zav {

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Starts the output of a record of these signals and block rate; false when it cannot
  // be started at all.
  virtual bool open(const SignalList& signals, uint16_t frequency) = 0;
  // One block, its data laid out as the signals given to open lay it out.
  virtual void write(const BaseImporter::Block& block) = 0;
  // Ends the output; true when everything was written whole.
  virtual bool close() = 0;
};

}  // namespace zav

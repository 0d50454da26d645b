// CSV files of an imported record: "signalsInfo.csv" listing the signals, one data file
// per enabled signal with one row per sample, and one impedance file per enabled EEG
// signal with one row of contact grades per block.
//
//     CsvWriter writer(outputFolder, signals.data(), signals.size(), "", kDrySensor);
//     if (writer.open(frequency, false)) {
//       writer.writeBlock(values, sequence, battery, flags);   // once per block
//     }
//     bool whole = writer.close();   // false when a file could not be created or written
//
// As a RecordSink it takes the signals at open and writes no timestamp column.
//
// Rows are formatted in the caller's thread and written, each flushed whole, by a
// writing thread of the writer's own, so that formatting overlaps the system's writes;
// close() returns once every row is written.
//
// A file that cannot be created or written is named in one diagnostic line; the other
// files are written on, and close() reports the loss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "record/record_sink.h"
#include "signal/signal_info.h"

namespace zav {

class CsvWriter : public RecordSink {
 public:
  CsvWriter(const char* outputFolder, const SignalInfo* signals, std::size_t count, const std::string& label,
            uint32_t sensorType);
  // For use as a RecordSink: the signals come with open.
  CsvWriter(const char* outputFolder, const std::string& label, uint32_t sensorType);
  ~CsvWriter() override;
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  // Starts every file afresh with its header line. false only when "signalsInfo.csv"
  // cannot be created (no other file is then created).
  bool open(uint16_t frequency, bool timestamps);
  bool open(const SignalList& signals, uint16_t frequency) override;
  // writeBlock of the block's words and data; a block with too few values is not
  // written and counts as a loss.
  void write(const BaseImporter::Block& block) override;
  // Appends the rows of one block; data holds valuesPerBlock() values, the enabled
  // signals in list order, each channel-major.
  void writeBlock(const double* data, uint16_t sequence, uint16_t battery, uint16_t flags);
  // The same with a timestamp put first in every row when withTimestamp is set.
  void writeBlock(const double* data, uint16_t sequence, uint16_t battery, uint16_t flags, int64_t timestamp,
                  bool withTimestamp);
  // Values one block carries for this signal list.
  uint64_t valuesPerBlock() const;
  // Closes every file; true when all files were created and written whole.
  bool close() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

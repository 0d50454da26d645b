// The importer of a single-device SD-card record: the numbered files of one record in a
// folder, their headers read at construction, their blocks passed on in sequence order
// with gaps filled.
//
//     Importer importer(folder, "rec");              // finds 0_rec.bin, 1_rec.bin, ...
//     importer.addCallback([](const BaseImporter::Block& block) { ...; return true; });
//     bool whole = importer.importAll();   // false also when a file was skipped
//
// The same blocks can be pulled one at a time through stream(). A later file whose
// signals differ from the first file's is skipped (RecordStream).
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "record/base_importer.h"
#include "record/record_header.h"
#include "record/record_stream.h"

namespace zav {

class Importer : public BaseImporter {
 public:
  Importer(const std::string& folder, const std::string& recordName);
  ~Importer() override;
  Importer(const Importer&) = delete;
  Importer& operator=(const Importer&) = delete;

  std::string description() const override;
  uint16_t firstSequence() const override;
  uint64_t blockCount() const override;
  uint16_t frequency() const override;
  SignalList signals() const override;
  bool hasLayout() const override;
  void writeLayout(const std::string& path) override;
  bool importAll() override;
  void addCallback(const BlockCallback& callback) override;

  // Whether the record name made a usable pattern (if not, no file was looked for).
  bool validName() const;
  const std::vector<std::filesystem::path>& files() const;
  const std::vector<RecordHeader>& headers() const;
  // A fresh pull over the record's blocks, in the order importAll passes them on.
  std::unique_ptr<RecordStream> stream() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

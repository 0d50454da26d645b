// The blocks of a record, pulled one at a time in the order they are passed on: the
// files one after the other, each file's blocks in sequence order through a reorder
// window, missing sequence numbers filled with invalid blocks. Memory stays bounded
// whatever the record's length, so two records can be read side by side.
//
// Every block is laid out by the first file's signal list; a later file with another
// list is skipped (named in one diagnostic line), so its blocks become a gap.
//
//     RecordStream stream(files, headers);   // headers: readRecordHeader of each file
//     while (const BaseImporter::Block* block = stream.next()) use(*block);
//     if (stream.failed()) ...    // a file could not be read
//     if (stream.skipped()) ...   // a file's signals differ from the first file's
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "record/base_importer.h"
#include "record/record_header.h"

namespace zav {

class RecordStream {
 public:
  using Block = BaseImporter::Block;

  // headers holds the header of each file, in the same order; missing ones are read here.
  RecordStream(std::vector<std::filesystem::path> files, std::vector<RecordHeader> headers);
  ~RecordStream();
  RecordStream(const RecordStream&) = delete;
  RecordStream& operator=(const RecordStream&) = delete;

  // The next block, valid until the following call; null at the end of the record or
  // when a file could not be read (failed() then tells).
  const Block* next();
  bool failed() const;
  // Whether a file was left out because its signals differ from the first file's.
  bool skipped() const;
  // Whether the last block was passed on while a file's window emptied at its end.
  bool draining() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

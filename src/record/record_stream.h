// The blocks of a record, pulled one at a time in the order they are passed on: the
// files one after the other, each file's blocks in sequence order through a reorder
// window, missing sequence numbers filled with invalid blocks. Memory stays bounded
// whatever the record's length, so two records can be read side by side.
//
//     RecordStream stream(files);
//     while (const BaseImporter::Block* block = stream.next()) use(*block);
//     if (stream.failed()) ...   // a file could not be read
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "record/base_importer.h"

namespace zav {

class RecordStream {
 public:
  using Block = BaseImporter::Block;

  explicit RecordStream(std::vector<std::filesystem::path> files);
  ~RecordStream();
  RecordStream(const RecordStream&) = delete;
  RecordStream& operator=(const RecordStream&) = delete;

  // The next block, valid until the following call; null at the end of the record or
  // when a file could not be read (failed() then tells).
  const Block* next();
  bool failed() const;
  // Whether the last block was passed on while a file's window emptied at its end.
  bool draining() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav

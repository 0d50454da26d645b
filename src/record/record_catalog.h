// The records found in a folder, from their files' headers alone: what `zav records`
// shows before anything is converted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "record/record_header.h"

namespace zav {

struct RecordSummary {
  std::string name;                          // as the import takes it
  std::vector<std::filesystem::path> files;  // in the order they are imported
  RecordHeader header;                       // of the first file
  uint64_t blockCount = 0;                   // of all files
  double seconds() const {
    return header.frequency > 0 ? static_cast<double>(blockCount) / header.frequency : 0.0;
  }
};

// Files named "<number>_<name>" (an extension after the name is not part of it) whose
// header reads as a record's, grouped by name, in name order.
std::vector<RecordSummary> listRecords(const std::filesystem::path& folder);

}  // namespace zav

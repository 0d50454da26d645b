// Conversion of a single-device SD-card record into CSV files, as the exported
// zav_driver_import_sd_record does it, with optional progress reports for a front end.
#pragma once

#include <cstdint>
#include <functional>

namespace zav {

struct ImportStatus {
  uint64_t blocksDone = 0;  // blocks passed on so far, fillers included
  uint64_t blockCount = 0;  // blocks the record's files hold, as their headers count them
  uint64_t bytesDone = 0;   // estimated from the blocks done, at most bytesTotal
  uint64_t bytesTotal = 0;  // block bytes of the record's files
};

struct ImportProgress {
  std::function<void(const ImportStatus&)> update;
  uint64_t everyBlocks = 1024;  // blocks between two updates; a last update comes at the end
};

// Returns 1 when the whole record was converted and every CSV file written whole, 0
// otherwise (null arguments, no file of the record, an unusable record name, an output
// folder that cannot take the files, a file that could not be read). Files already
// written stay on disk.
int importSdRecord(const char* folder, const char* recordName, const char* outputFolder,
                   const ImportProgress* progress = nullptr);

}  // namespace zav

// Conversion of a single-device SD-card record into CSV files, as the exported
// zav_driver_import_sd_record does it, with optional progress reports for a front end;
// exportRecord pulls the blocks of any importer into any RecordSink.
#pragma once

#include <cstdint>
#include <functional>

#include "record/importer.h"
#include "record/record_sink.h"

namespace zav {

struct ImportStatus {
  uint64_t blocksDone = 0;  // blocks passed on so far, fillers included
  uint64_t blockCount = 0;  // blocks the record's files hold, as their headers count them
  uint64_t bytesDone = 0;   // estimated from the blocks done, at most bytesTotal
  uint64_t bytesTotal = 0;  // block bytes of the record's files
};

struct ImportProgress {
  // Returning false cancels: the import stops after the last block passed on, every file
  // is closed whole, and the import counts as not done.
  std::function<bool(const ImportStatus&)> update;
  uint64_t everyBlocks = 1024;  // blocks between two updates; a last update comes at the end
};

// Opens the sink with the record's first file, writes every block, closes the sink.
// True when the whole record was read (no file failed or was skipped, no cancel) and the
// sink wrote everything.
bool exportRecord(const Importer& importer, RecordSink& sink, const ImportProgress* progress = nullptr);

// Returns 1 when the whole record was converted and every CSV file written whole, 0
// otherwise (null arguments, no file of the record, an unusable record name, an output
// folder that cannot take the files, a file that could not be read, a file whose signals
// differ from the first file's, a cancel). Files already written stay on disk.
int importSdRecord(const char* folder, const char* recordName, const char* outputFolder,
                   const ImportProgress* progress = nullptr);

}  // namespace zav

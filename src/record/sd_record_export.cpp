#include "record/sd_record_export.h"

#include <algorithm>

#include "common/diagnostics.h"
#include "record/csv_writer.h"
#include "signal/impedance_estimator.h"

namespace zav {

namespace {

// Counts the blocks passed on and reports them every so often.
class ProgressCounter {
 public:
  ProgressCounter(const ImportProgress* progress, uint64_t blockCount, uint64_t blockBytes)
      : progress_(progress != nullptr && progress->update ? progress : nullptr) {
    status_.blockCount = blockCount;
    status_.bytesTotal = blockCount * blockBytes;
    blockBytes_ = blockBytes;
  }

  // False when the report was declined: the import is to stop.
  bool count() {
    if (progress_ == nullptr) return true;
    ++blocks_;
    return blocks_ % std::max<uint64_t>(progress_->everyBlocks, 1) != 0 || report();
  }

  void finish() {
    if (progress_ != nullptr) report();
  }

 private:
  bool report() {
    status_.blocksDone = blocks_;
    status_.bytesDone = std::min(blocks_ * blockBytes_, status_.bytesTotal);
    return progress_->update(status_);
  }

  const ImportProgress* progress_;
  ImportStatus status_;
  uint64_t blockBytes_ = 0;
  uint64_t blocks_ = 0;
};

}  // namespace

bool exportRecord(const Importer& importer, RecordSink& sink, const ImportProgress* progress) {
  const SignalList signals = importer.signals();
  if (!sink.open(signals, importer.frequency())) return false;
  ProgressCounter counter(progress, importer.blockCount(), recordBlockBytes(signals));
  const std::unique_ptr<RecordStream> stream = importer.stream();
  bool cancelled = false;
  while (const BaseImporter::Block* block = stream->next()) {
    sink.write(*block);
    if (!counter.count()) {
      cancelled = true;
      break;
    }
  }
  if (!cancelled) counter.finish();
  const bool written = sink.close();
  if (stream->failed()) diag::line("error importing multiple files");
  return !cancelled && !stream->failed() && !stream->skipped() && written;
}

int importSdRecord(const char* folder, const char* recordName, const char* outputFolder,
                   const ImportProgress* progress) {
  if (folder == nullptr || recordName == nullptr || outputFolder == nullptr) return 0;
  const Importer importer(folder, recordName);
  if (importer.files().empty()) return 0;
  CsvWriter writer(outputFolder, "", kDrySensor);
  return exportRecord(importer, writer, progress) ? 1 : 0;
}

}  // namespace zav

#include "record/sd_record_export.h"

#include <algorithm>

#include "record/csv_writer.h"
#include "record/importer.h"
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

  void count() {
    if (progress_ == nullptr) return;
    ++blocks_;
    if (blocks_ % std::max<uint64_t>(progress_->everyBlocks, 1) == 0) report();
  }

  void finish() {
    if (progress_ != nullptr) report();
  }

 private:
  void report() {
    status_.blocksDone = blocks_;
    status_.bytesDone = std::min(blocks_ * blockBytes_, status_.bytesTotal);
    progress_->update(status_);
  }

  const ImportProgress* progress_;
  ImportStatus status_;
  uint64_t blockBytes_ = 0;
  uint64_t blocks_ = 0;
};

}  // namespace

int importSdRecord(const char* folder, const char* recordName, const char* outputFolder,
                   const ImportProgress* progress) {
  if (folder == nullptr || recordName == nullptr || outputFolder == nullptr) return 0;
  Importer importer(folder, recordName);
  if (importer.files().empty()) return 0;

  const SignalList signals = importer.signals();
  CsvWriter writer(outputFolder, signals.data(), signals.size(), "", kDrySensor);
  if (!writer.open(importer.frequency(), false)) return 0;

  const uint64_t values = writer.valuesPerBlock();
  ProgressCounter counter(progress, importer.blockCount(), recordBlockBytes(signals));
  importer.addCallback([&](const BaseImporter::Block& block) {
    // A later file with another signal list would not fit the files' columns.
    if (block.data.size() < values) return false;
    writer.writeBlock(block.data.data(), block.sequence, block.battery, block.flags);
    counter.count();
    return true;
  });
  const bool imported = importer.importAll();
  counter.finish();
  const bool written = writer.close();
  return imported && written ? 1 : 0;
}

}  // namespace zav

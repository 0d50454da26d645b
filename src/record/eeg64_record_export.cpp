#include "record/eeg64_record_export.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "record/bdf_writer.h"
#include "record/csv_writer.h"
#include "record/eeg64_importer.h"
#include "signal/impedance_estimator.h"

namespace zav {

namespace {

// Left blocks done over all pairs, reported every so often.
class PairProgress {
 public:
  PairProgress(const ImportProgress* progress, uint64_t blockCount, uint64_t bytesTotal)
      : progress_(progress != nullptr && progress->update ? progress : nullptr) {
    status_.blockCount = blockCount;
    status_.bytesTotal = bytesTotal;
  }

  bool active() const { return progress_ != nullptr; }

  void startPair(uint64_t blockBytes) {
    doneBefore_ = status_.blocksDone;
    bytesBefore_ = status_.bytesDone;
    blockBytes_ = blockBytes;
  }

  // False when the report was declined.
  bool leftBlocks(uint64_t count) {
    status_.blocksDone = doneBefore_ + count;
    status_.bytesDone = std::min(bytesBefore_ + count * blockBytes_, status_.bytesTotal);
    return status_.blocksDone % std::max<uint64_t>(progress_->everyBlocks, 1) != 0 ||
           progress_->update(status_);
  }

  void finish() {
    if (progress_ != nullptr) progress_->update(status_);
  }

 private:
  const ImportProgress* progress_;
  ImportStatus status_;
  uint64_t doneBefore_ = 0;
  uint64_t bytesBefore_ = 0;
  uint64_t blockBytes_ = 0;
};

// True when the pair was converted whole; cancelled tells a declined report.
bool exportPair(const Eeg64Importer& importer, RecordSink& writer, PairProgress& progress, bool& cancelled) {
  if (!writer.open(importer.signals(), importer.frequency())) return false;
  const std::unique_ptr<Eeg64Stream> stream = importer.stream();
  if (progress.active()) {
    progress.startPair(stream->leftBlockBytes());
    stream->onLeftBlock([&progress](uint64_t leftBlocks) { return progress.leftBlocks(leftBlocks); });
  }
  while (const BaseImporter::Block* block = stream->next()) writer.write(*block);
  cancelled = stream->stopped();
  const bool written = writer.close();
  return written && !cancelled;
}

}  // namespace

std::string eeg64PairFolder(const Eeg64Pair& pair, std::size_t pairCount) {
  if (pairCount <= 1) return {};
  // A name that is no plain folder name must not lead outside the output folder.
  if (pair.common.empty() || pair.common == "." || pair.common == "..") return "_" + pair.common;
  return pair.common;
}

int importEeg64SdRecord(const char* leftFolder, const char* rightFolder, const char* baseName,
                        const char* outputFolder, const ImportProgress* progress) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || outputFolder == nullptr) {
    return 0;
  }
  const std::vector<Eeg64Pair> pairs = eeg64Pairs(leftFolder, rightFolder, baseName);
  std::vector<std::unique_ptr<Eeg64Importer>> importers;
  uint64_t blockCount = 0;
  uint64_t bytesTotal = 0;
  for (const Eeg64Pair& pair : pairs) {
    importers.push_back(std::make_unique<Eeg64Importer>(leftFolder, rightFolder, pair.common));
    if (progress == nullptr || !importers.back()->found()) continue;
    const std::unique_ptr<Eeg64Stream> stream = importers.back()->stream();
    blockCount += stream->leftBlockCount();
    bytesTotal += stream->leftBlockCount() * stream->leftBlockBytes();
  }
  PairProgress counter(progress, blockCount, bytesTotal);
  int converted = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (!importers[i]->found()) continue;
    std::filesystem::path folder(outputFolder);
    const std::string subfolder = eeg64PairFolder(pairs[i], pairs.size());
    if (!subfolder.empty()) {
      folder /= subfolder;
      std::error_code error;
      std::filesystem::create_directory(folder, error);
    }
    bool cancelled = false;
    CsvWriter writer(folder.string().c_str(), "", kDrySensor);
    if (exportPair(*importers[i], writer, counter, cancelled)) ++converted;
    if (cancelled) return converted;
  }
  counter.finish();
  return converted;
}

int importEeg64SdRecordBdf(const char* leftFolder, const char* rightFolder, const char* baseName,
                           const char* outputFolder) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || outputFolder == nullptr ||
      !BdfWriter::available()) {
    return 0;
  }
  const std::vector<Eeg64Pair> pairs = eeg64Pairs(leftFolder, rightFolder, baseName);
  PairProgress noProgress(nullptr, 0, 0);
  int converted = 0;
  for (const Eeg64Pair& pair : pairs) {
    const Eeg64Importer importer(leftFolder, rightFolder, pair.common);
    if (!importer.found()) continue;
    // Named like the CSV subfolders, so that no name leads outside the output folder.
    const std::string name = eeg64PairFolder(pair, 2);
    BdfWriter writer((std::filesystem::path(outputFolder) / (name + ".bdf")).string());
    writer.setRecordingText(importer.description());
    bool cancelled = false;
    if (exportPair(importer, writer, noProgress, cancelled)) ++converted;
  }
  return converted;
}

}  // namespace zav

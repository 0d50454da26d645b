#include "record/eeg64_stream.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/diagnostics.h"
#include "multi/alignment.h"
#include "multi/side_buffer.h"
#include "record/eeg64_pairs.h"
#include "record/importer.h"
#include "record/record_header.h"

namespace zav {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint16_t kNoBattery = 0xFFFF;

// One side's blocks: its records in ascending name order, one after the other. A record
// that cannot be read whole keeps the blocks it gave; the side goes on with the next.
class SideRecords {
 public:
  SideRecords(const std::string& folder, const std::string& baseName, const char* side) {
    for (const std::string& name : recordNamesFor(folder, baseName, side)) {
      importers_.push_back(std::make_unique<Importer>(folder, name));
    }
  }

  const BaseImporter::Block* next() {
    while (current_ < importers_.size()) {
      if (!stream_) stream_ = importers_[current_]->stream();
      if (const BaseImporter::Block* block = stream_->next()) return block;
      if (stream_->failed()) diag::line("error importing multiple files");
      if (stream_->failed() || stream_->skipped()) diag::line("import failed");
      stream_.reset();
      ++current_;
    }
    return nullptr;
  }

  uint64_t blockCount() const {
    uint64_t total = 0;
    for (const std::unique_ptr<Importer>& importer : importers_) total += importer->blockCount();
    return total;
  }

 private:
  std::vector<std::unique_ptr<Importer>> importers_;
  std::size_t current_ = 0;
  std::unique_ptr<RecordStream> stream_;
};

}  // namespace

struct Eeg64Stream::Impl {
  SideRecords leftRecords;
  SideRecords rightRecords;
  SignalList leftSignals;
  SignalList rightSignals;
  SignalList mergedSignals;
  SideBuffer leftBuffer;
  SideBuffer rightBuffer;
  bool synchronized = false;
  uint8_t lastCode = 0;
  Block merged;
  std::function<bool(uint64_t)> hook;
  uint64_t leftBlocks = 0;
  bool stopped = false;

  Impl(const std::string& leftFolder, const std::string& rightFolder, const std::string& baseName)
      : leftRecords(leftFolder, baseName, kLeftSide), rightRecords(rightFolder, baseName, kRightSide) {}

  // Queues an intact block on its side and lets its words count.
  void take(const Block& block, SideBuffer& buffer, const SignalList& signals) {
    if (block.invalid) return;
    buffer.push(block.data, signals, block.sequence);
    merged.battery = std::min(merged.battery, block.battery);
    merged.flags = std::max(merged.flags, block.flags);
  }

  const Block* next() {
    while (!stopped) {
      const Block* left = leftRecords.next();
      if (left == nullptr) return nullptr;
      ++leftBlocks;
      if (hook && !hook(leftBlocks)) {
        stopped = true;
        return nullptr;
      }
      const Block* right = rightRecords.next();
      if (right == nullptr) return nullptr;

      merged.sequence = 0;
      merged.battery = kNoBattery;
      merged.flags = 0;
      take(*left, leftBuffer, leftSignals);
      take(*right, rightBuffer, rightSignals);
      synchronizationStep(leftBuffer, rightBuffer, synchronized, lastCode);
      if (!leftBuffer.isReady(leftSignals) || !rightBuffer.isReady(rightSignals)) continue;
      merged.sequence = leftBuffer.currentSequence();
      std::fill(merged.data.begin(), merged.data.end(), kNaN);
      // Until both sides share a code their samples wait: once aligned they are merged
      // from the start.
      if (!synchronized) continue;
      merge(leftBuffer, rightBuffer, mergedSignals, merged.data);
      if (std::any_of(merged.data.begin(), merged.data.end(),
                      [](double value) { return std::isnan(value); })) {
        diag::line("nans on sequence ", merged.sequence);
        continue;
      }
      return &merged;
    }
    return nullptr;
  }
};

Eeg64Stream::Eeg64Stream(const std::string& leftFolder, const std::string& rightFolder,
                         const std::string& baseName, SignalList leftSignals, SignalList rightSignals,
                         SignalList mergedSignals)
    : impl_(std::make_unique<Impl>(leftFolder, rightFolder, baseName)) {
  impl_->leftSignals = std::move(leftSignals);
  impl_->rightSignals = std::move(rightSignals);
  impl_->mergedSignals = std::move(mergedSignals);
  impl_->merged.data.assign(static_cast<std::size_t>(valuesPerBlock(impl_->mergedSignals)), kNaN);
  impl_->merged.invalid = false;
}

Eeg64Stream::~Eeg64Stream() = default;

void Eeg64Stream::onLeftBlock(std::function<bool(uint64_t leftBlocks)> hook) {
  impl_->hook = std::move(hook);
}

const Eeg64Stream::Block* Eeg64Stream::next() {
  return impl_->next();
}

uint64_t Eeg64Stream::leftBlockCount() const {
  return impl_->leftRecords.blockCount();
}

uint64_t Eeg64Stream::leftBlockBytes() const {
  return recordBlockBytes(impl_->leftSignals);
}

bool Eeg64Stream::stopped() const {
  return impl_->stopped;
}

}  // namespace zav

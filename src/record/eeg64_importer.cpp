#include "record/eeg64_importer.h"

#include <algorithm>
#include <vector>

#include "record/eeg64_pairs.h"
#include "record/importer.h"

namespace zav {

namespace {

constexpr const char* kMissingSide = "none";

// One entry of the merged list and the side entries its mode comes from (-1: none).
struct MergedEntry {
  SignalInfo shape;
  int leftIndex;
  int rightIndex;
};

const std::vector<MergedEntry>& mergedEntries() {
  static const std::vector<MergedEntry> entries = {
      {{"EEG", 64, 3, 8, 0}, 0, 0},   {{"ExG_B", 4, 3, 8, 0}, 1, 1}, {{"IMU_B", 9, 2, 1, 0}, 2, -1},
      {{"IMU_B", 9, 2, 1, 0}, -1, 2}, {{"FOT", 2, 3, 8, 0}, 3, 3},   {{"uSD", 0, 0, 0, 0}, 5, 5},
  };
  return entries;
}

const SignalInfo* entryAt(const SignalList& list, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < list.size() ? &list[static_cast<std::size_t>(index)]
                                                                     : nullptr;
}

}  // namespace

SignalList mergedEeg64Signals(const SignalList& left, const SignalList& right) {
  SignalList merged;
  for (const MergedEntry& entry : mergedEntries()) {
    SignalInfo info = entry.shape;
    const SignalInfo* l = entryAt(left, entry.leftIndex);
    const SignalInfo* r = entryAt(right, entry.rightIndex);
    if (l != nullptr && r != nullptr) {
      info.mode = std::min(l->mode, r->mode);
    } else if (l != nullptr || r != nullptr) {
      info.mode = (l != nullptr ? l : r)->mode;
    }
    merged.push_back(info);
  }
  return merged;
}

struct Eeg64Importer::Impl {
  std::string leftFolder;
  std::string rightFolder;
  std::string baseName;
  std::unique_ptr<Importer> left;
  std::unique_ptr<Importer> right;
  SignalList mergedSignals;
  std::vector<BlockCallback> callbacks;
  uint16_t firstSequence = 0;
};

Eeg64Importer::Eeg64Importer(const std::string& leftFolder, const std::string& rightFolder,
                             const std::string& baseName)
    : impl_(std::make_unique<Impl>()) {
  impl_->leftFolder = leftFolder;
  impl_->rightFolder = rightFolder;
  impl_->baseName = baseName;
  const std::set<std::string> leftNames = recordNamesFor(leftFolder, baseName, kLeftSide);
  const std::set<std::string> rightNames = recordNamesFor(rightFolder, baseName, kRightSide);
  if (leftNames.empty() || rightNames.empty()) return;
  impl_->left = std::make_unique<Importer>(leftFolder, *leftNames.begin());
  impl_->right = std::make_unique<Importer>(rightFolder, *rightNames.begin());
  impl_->mergedSignals = mergedEeg64Signals(impl_->left->signals(), impl_->right->signals());
}

Eeg64Importer::~Eeg64Importer() = default;

std::string Eeg64Importer::description() const {
  return (impl_->left ? impl_->left->description() : kMissingSide) + std::string("-") +
         (impl_->right ? impl_->right->description() : kMissingSide);
}

uint16_t Eeg64Importer::firstSequence() const {
  return impl_->firstSequence;
}

uint64_t Eeg64Importer::blockCount() const {
  return impl_->left ? impl_->left->blockCount() : 0;
}

uint16_t Eeg64Importer::frequency() const {
  return impl_->left ? impl_->left->frequency() : 0;
}

SignalList Eeg64Importer::signals() const {
  return impl_->mergedSignals;
}

bool Eeg64Importer::hasLayout() const {
  return true;
}

void Eeg64Importer::writeLayout(const std::string& /*path*/) {}

bool Eeg64Importer::importAll() {
  const std::unique_ptr<Eeg64Stream> merged = stream();
  if (!merged) return true;
  bool firstSet = false;
  while (const Block* block = merged->next()) {
    if (!firstSet) {
      impl_->firstSequence = block->sequence;
      firstSet = true;
    }
    for (const BlockCallback& callback : impl_->callbacks) {
      if (!callback(*block)) return false;
    }
  }
  return true;
}

void Eeg64Importer::addCallback(const BlockCallback& callback) {
  impl_->callbacks.push_back(callback);
}

bool Eeg64Importer::found() const {
  return impl_->left && impl_->right;
}

std::unique_ptr<Eeg64Stream> Eeg64Importer::stream() const {
  if (!found()) return nullptr;
  return std::make_unique<Eeg64Stream>(impl_->leftFolder, impl_->rightFolder, impl_->baseName,
                                       impl_->left->signals(), impl_->right->signals(), impl_->mergedSignals);
}

}  // namespace zav

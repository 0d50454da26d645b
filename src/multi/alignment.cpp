#include "multi/alignment.h"

#include <algorithm>

#include "common/diagnostics.h"

namespace zav {

namespace {

constexpr std::size_t kBufferLimit = 1024;
constexpr std::size_t kBufferHalf = kBufferLimit / 2;
// While synchronized the two clocks may drift apart by one sample between codes.
constexpr uint32_t kToleratedDrift = 1;
// The merged list's first "IMU" entry is the left device's.
constexpr std::size_t kLeftImuIndex = 2;

struct Source {
  const SideBuffer* side = nullptr;
  std::size_t channel = 0;
};

// Where merged channel c of a signal with n channels comes from; no side when nowhere.
Source sourceOf(SideQueue type, std::size_t signalIndex, std::size_t c, std::size_t n, const SideBuffer& left,
                const SideBuffer& right) {
  const std::size_t half = n / 2;
  switch (type) {
    case SideQueue::eeg:
    case SideQueue::exg:
    case SideQueue::fot:
      return c < half ? Source{&left, c} : Source{&right, c - half};
    case SideQueue::imu:
      return {signalIndex == kLeftImuIndex ? &left : &right, c};
    default:
      return c < half ? Source{} : Source{&right, c - half};
  }
}

}  // namespace

void synchronizationStep(SideBuffer& left, SideBuffer& right, bool& synchronized, uint8_t& lastCode) {
  const std::vector<SyncEvent>& leftEvents = left.findEvents();
  const std::vector<SyncEvent>& rightEvents = right.findEvents();
  for (const SyncEvent& l : leftEvents) {
    const SyncEvent* match = nullptr;
    for (const SyncEvent& r : rightEvents) {
      if (r.code != l.code) continue;
      diag::line("code ", static_cast<char>(l.code), " found at ", l.position, " & ", r.position);
      if (!synchronized || l.code != lastCode) {
        match = &r;
        break;
      }
    }
    if (match == nullptr) continue;

    const uint32_t pl = l.position;
    const uint32_t pr = match->position;
    lastCode = l.code;
    const uint32_t distance = pl > pr ? pl - pr : pr - pl;
    if (distance == 0) {
      synchronized = true;
    } else if (synchronized && distance <= kToleratedDrift) {
      const uint32_t trimmed = std::min(pl, pr) + kMarkerRows;
      left.dropDin(trimmed);
      right.dropDin(trimmed);
      return;
    } else {
      diag::line("big delay found ", distance);
      SideBuffer& ahead = pr <= pl ? left : right;
      if (ahead.sampleCount() > distance) {
        ahead.dropSamples(distance);
        diag::line("Synchronized");
        synchronized = true;
      }
    }
    left.dropDin(pl + kMarkerRows);
    right.dropDin(pr + kMarkerRows);
    return;
  }
}

void merge(SideBuffer& left, SideBuffer& right, const SignalList& mergedSignals, std::vector<double>& out) {
  std::size_t offset = 0;
  for (std::size_t index = 0; index < mergedSignals.size(); ++index) {
    const SignalInfo& info = mergedSignals[index];
    if (info.mode <= 0 || isSdCard(info)) continue;
    const auto channels = static_cast<std::size_t>(std::max(info.channels, 0));
    const auto blockSize = static_cast<std::size_t>(std::max(info.blockSize, 0));
    if (offset + channels * blockSize > out.size()) break;
    const SideQueue type = sideQueueFor(info.type);
    for (std::size_t c = 0; c < channels; ++c) {
      const Source source = sourceOf(type, index, c, channels, left, right);
      if (source.side == nullptr) continue;
      double* target = out.data() + offset + c * blockSize;
      for (std::size_t s = 0; s < blockSize; ++s) target[s] = source.side->value(type, s, source.channel);
    }
    offset += channels * blockSize;
  }
  left.dropSamples(kMergedSamples);
  right.dropSamples(kMergedSamples);
}

void limitBuffers(SideBuffer& left, SideBuffer& right) {
  if (left.sampleCount() > kBufferLimit && right.sampleCount() > kBufferLimit) {
    diag::line("Buffers too big. Halve it");
    left.dropSamples(kBufferHalf);
    right.dropSamples(kBufferHalf);
  }
  if (left.dinCount() > kBufferLimit && right.dinCount() > kBufferLimit) {
    diag::line("Din buffer too big. Halve it");
    left.dropDin(kBufferHalf);
    right.dropDin(kBufferHalf);
  }
}

}  // namespace zav

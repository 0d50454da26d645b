#include "multi/side_buffer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zav {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kRowWidths[] = {32, 2, 9, 1, 3};
// Sequence numbers are compared in 16-bit serial arithmetic: a step of half the range or
// more, or none at all, is a repeat or a restart, never a gap to fill.
constexpr uint16_t kLargestStep = 0x7FFF;
// Only signals that take part in the blocks: a mode of 0 or below sends nothing.
bool enabled(const SignalInfo& info) {
  return info.mode >= 1 && !isSdCard(info);
}

std::size_t rowsPerBlock(const SignalInfo& info) {
  return info.blockSize > 0 ? static_cast<std::size_t>(info.blockSize) : 0;
}

// The most rows one block adds to any queue for this list.
std::size_t rowsPerBlockOfList(const SignalList& signals) {
  std::size_t rows[5] = {};
  std::size_t most = 1;
  for (const SignalInfo& info : signals) {
    const SideQueue type = sideQueueFor(info.type);
    if (!enabled(info) || type == SideQueue::none) continue;
    std::size_t& queueRows = rows[static_cast<std::size_t>(type)];
    queueRows += rowsPerBlock(info);
    most = std::max(most, queueRows);
  }
  return most;
}

}  // namespace

SideQueue sideQueueFor(const std::string& type) {
  const auto startsWith = [&type](const char* prefix) { return type.compare(0, 3, prefix) == 0; };
  if (startsWith("EEG")) return SideQueue::eeg;
  if (startsWith("ExG")) return SideQueue::exg;
  if (startsWith("IMU")) return SideQueue::imu;
  if (startsWith("FOT")) return SideQueue::fot;
  if (startsWith("DIN")) return SideQueue::din;
  return SideQueue::none;
}

SideBuffer::SideBuffer(std::size_t longestFillRows)
    : longestFillRows_(longestFillRows),
      queues_{RowRing<double>(kRowWidths[0]), RowRing<double>(kRowWidths[1]), RowRing<double>(kRowWidths[2]),
              RowRing<double>(kRowWidths[3]), RowRing<double>(kRowWidths[4])},
      sequences_(1) {}

void SideBuffer::clear() {
  for (RowRing<double>& ring : queues_) ring.clear();
  sequences_.clear();
  fresh_ = true;
}

void SideBuffer::appendGap(const SignalList& signals, uint16_t sequence) {
  for (const SignalInfo& info : signals) {
    const SideQueue type = sideQueueFor(info.type);
    if (!enabled(info) || type == SideQueue::none) continue;
    RowRing<double>& ring = queue(type);
    for (std::size_t s = 0; s < rowsPerBlock(info); ++s) {
      double* row = ring.pushRow();
      for (std::size_t c = 0; c < ring.width(); ++c) row[c] = kMissing;
    }
  }
  *sequences_.pushRow() = sequence;
}

void SideBuffer::push(const double* values, std::size_t count, const SignalList& signals, uint16_t sequence) {
  const auto step = static_cast<uint16_t>(sequence - lastSequence_);
  if (!fresh_ && step > 1 && step <= kLargestStep) {
    const std::size_t fillable = longestFillRows_ / rowsPerBlockOfList(signals);
    const auto filled = static_cast<uint16_t>(std::min<std::size_t>(step - 1u, fillable) + 1);
    for (uint16_t missing = 1; missing < filled; ++missing) {
      appendGap(signals, static_cast<uint16_t>(lastSequence_ + missing));
    }
  }
  std::size_t offset = 0;
  for (const SignalInfo& info : signals) {
    if (!enabled(info)) continue;
    const SideQueue type = sideQueueFor(info.type);
    if (type != SideQueue::none) {
      RowRing<double>& ring = queue(type);
      const std::size_t blockSize = rowsPerBlock(info);
      const auto channels = static_cast<std::size_t>(info.channels > 0 ? info.channels : 0);
      // Channels beyond the row's width are dropped; a row wider than the signal keeps NaN
      // in its extra slots, as do values the caller did not supply.
      for (std::size_t s = 0; s < blockSize; ++s) {
        double* row = ring.pushRow();
        for (std::size_t c = 0; c < ring.width(); ++c) {
          const std::size_t index = offset + c * blockSize + s;
          row[c] = c < channels && index < count ? values[index] : kMissing;
        }
      }
    }
    offset += static_cast<std::size_t>(valuesPerBlock(info));
  }
  *sequences_.pushRow() = sequence;
  lastSequence_ = sequence;
  fresh_ = false;
}

bool SideBuffer::isReady(const SignalList& signals) const {
  for (const SignalInfo& info : signals) {
    const SideQueue type = sideQueueFor(info.type);
    if (!enabled(info) || type == SideQueue::din || type == SideQueue::none) continue;
    if (queue(type).size() < rowsPerBlock(info)) return false;
  }
  return true;
}

uint16_t SideBuffer::currentSequence() const {
  return sequences_.empty() ? 0 : *sequences_.row(0);
}

void SideBuffer::dropSamples(std::size_t count) {
  queue(SideQueue::eeg).popFront(count);
  queue(SideQueue::exg).popFront(count);
  queue(SideQueue::fot).popFront(count);
  const std::size_t consumed = subSample_ + count;
  queue(SideQueue::imu).popFront(consumed / kSamplesPerBlock);
  sequences_.popFront(consumed / kSamplesPerBlock);
  subSample_ = static_cast<uint8_t>(consumed % kSamplesPerBlock);
}

void SideBuffer::dropDin(std::size_t count) {
  queue(SideQueue::din).popFront(count);
}

double SideBuffer::value(SideQueue type, std::size_t row, std::size_t channel) const {
  if (type == SideQueue::none) return kMissing;
  const RowRing<double>& ring = queue(type);
  if (row >= ring.size() || channel >= ring.width()) return kMissing;
  return ring.row(row)[channel];
}

bool SideBuffer::markerHigh(std::size_t row) const {
  return queue(SideQueue::din).row(row)[kMarkerChannel] > 0.0;  // NaN reads as low
}

bool SideBuffer::readByte(std::size_t firstRow, uint8_t& nibble) const {
  uint8_t byte = 0;
  for (std::size_t bit = 0; bit < 8; ++bit) {
    byte = static_cast<uint8_t>((byte << 1) | (markerHigh(firstRow + bit) ? 1 : 0));
  }
  return decodeCodeword(byte, nibble);
}

const std::vector<SyncEvent>& SideBuffer::findEvents() {
  events_.clear();
  const std::size_t count = dinCount();
  bool anyMarker = false;
  std::size_t lastMarker = 0;
  for (std::size_t row = 0; row < count; ++row) {
    if (!markerHigh(row) || (anyMarker && row - lastMarker < kMarkerRows)) continue;
    anyMarker = true;
    lastMarker = row;
    if (row + kMarkerRows >= count) break;  // the code has not fully arrived yet
    uint8_t high = 0;
    uint8_t low = 0;
    if (readByte(row, high) && readByte(row + 8, low)) {
      events_.push_back({static_cast<uint32_t>(row), static_cast<uint8_t>(high * 16 + low)});
    }
  }
  return events_;
}

}  // namespace zav

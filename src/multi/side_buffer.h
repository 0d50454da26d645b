// One device's decoded samples, queued per signal type, and its digital-input rows, so
// that two devices' streams can be aligned on a shared marker code and merged.
//
// Signals go to a queue by the first three characters of their type ("EEG", "ExG",
// "IMU", "FOT", "DIN"); other types are not kept. A row holds one sample of every channel
// (32, 2, 9, 1 and 3 channels); imu gets one row per block, the others one per sample.
//
//     SideBuffer side;
//     side.push(values, driver.signals(), sequence);
//     if (side.isReady(driver.signals())) ... side.value(SideQueue::eeg, 0, 5) ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "multi/marker_code.h"
#include "multi/row_ring.h"
#include "signal/signal_info.h"

namespace zav {

enum class SideQueue { eeg, exg, imu, fot, din, none };

// The queue a signal type goes to.
SideQueue sideQueueFor(const std::string& type);

class SideBuffer {
 public:
  // Samples per block of the per-sample queues: imu and sequences advance once per 8 samples.
  static constexpr uint32_t kSamplesPerBlock = 8;
  // The digital-input channel that carries the marker code.
  static constexpr std::size_t kMarkerChannel = 1;

  // NaN rows filled in for one gap at most: two minutes of a real device (4096 blocks of
  // 8 samples), 8 MB of EEG rows. A longer jump is far more likely a damaged sequence
  // number that passed the checksum than a real silence, and filling it would cost
  // gigabytes (more still for a list that puts several signals into one queue); the
  // alignment on the next marker code takes up whatever the cut leaves out.
  static constexpr std::size_t kLongestFillRows = 4096 * 8;

  // longestFillRows: a smaller bound serves where many short runs are made (fuzzing).
  explicit SideBuffer(std::size_t longestFillRows = kLongestFillRows);

  // Empties every queue; the next block starts a new run (no gap is looked for).
  void clear();
  // Adds one decoded block laid out as the host receives it for signals. A block that
  // does not follow the previous one fills the missing blocks with NaN rows first.
  void push(const double* values, std::size_t count, const SignalList& signals, uint16_t sequence);
  void push(const std::vector<double>& values, const SignalList& signals, uint16_t sequence) {
    push(values.data(), values.size(), signals, sequence);
  }

  // Every enabled signal of the list (digital input and "uSD" aside) has a block's worth of rows.
  bool isReady(const SignalList& signals) const;
  // Sequence of the oldest block still queued, or 0.
  uint16_t currentSequence() const;
  std::size_t sampleCount() const { return queue(SideQueue::eeg).size(); }
  std::size_t dinCount() const { return queue(SideQueue::din).size(); }
  uint8_t subSample() const { return subSample_; }

  // Removes count samples from eeg, exg and fot, and the blocks they complete from imu
  // and the sequences. The digital input keeps its rows.
  void dropSamples(std::size_t count);
  void dropDin(std::size_t count);

  // NaN for a row or channel that does not exist or a type that has no queue.
  double value(SideQueue type, std::size_t row, std::size_t channel) const;
  double value(const std::string& type, std::size_t row, std::size_t channel) const {
    return value(sideQueueFor(type), row, channel);
  }

  // The marker codes complete in the digital input, oldest first. The list is rebuilt
  // in storage the buffer keeps.
  const std::vector<SyncEvent>& findEvents();

 private:
  const RowRing<double>& queue(SideQueue type) const { return queues_[static_cast<std::size_t>(type)]; }
  RowRing<double>& queue(SideQueue type) { return queues_[static_cast<std::size_t>(type)]; }
  void appendGap(const SignalList& signals, uint16_t sequence);
  bool markerHigh(std::size_t row) const;
  bool readByte(std::size_t firstRow, uint8_t& nibble) const;

  std::size_t longestFillRows_;
  bool fresh_ = true;
  uint16_t lastSequence_ = 0;
  uint8_t subSample_ = 0;
  RowRing<double> queues_[5];
  RowRing<uint16_t> sequences_;
  std::vector<SyncEvent> events_;
};

}  // namespace zav

// The simulated amplifier behind MockConnection: identity, SD-card names, signals and
// modes, the calendar clock, and the paced production of data blocks.
//
//     MockDevice device;
//     device.configure(setup);
//     device.startStreaming();
//     device.produceBlock(output);   // waits until the block is due, then appends it
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "signal/block_layout.h"
#include "signal/signal_decoder.h"
#include "transport/byte_queue.h"
#include "transport/mock_configuration.h"
#include "transport/mock_sd_card.h"

namespace zav {

class MockDevice {
 public:
  // Time source for block pacing, in nanoseconds of a monotonic clock.
  struct Pacer {
    std::function<int64_t()> now;
    std::function<void(int64_t)> sleepUntil;
  };
  static Pacer steadyPacer();

  MockDevice();
  ~MockDevice();
  MockDevice(const MockDevice&) = delete;
  MockDevice& operator=(const MockDevice&) = delete;

  // Replaces the signals, the block rate, the marker codes, the reference wave and the
  // battery; the card is inserted apart (insertCard).
  void configure(MockSetup setup);
  // A card folder to record into when "uSD" is on; an empty folder takes the card out.
  void insertCard(const MockCard& card) { card_.insert(card.folder, card.fileBytes); }
  void setPacer(Pacer pacer) { pacer_ = std::move(pacer); }
  // Wall-clock time in 100-ns ticks since 1970, which marker codes and the reference wave
  // follow; the system clock unless replaced.
  // The device's own microsecond clock starts at 0 when this is set.
  void setWallClock(std::function<int64_t()> wallClock);

  const std::string& version() const { return version_; }
  int32_t frequency() const { return frequency_; }
  const std::string& file() const { return file_; }
  void setFile(std::string file) { file_ = std::move(file); }
  const std::string& folder() const { return folder_; }
  void setFolder(std::string folder) { folder_ = std::move(folder); }
  const std::vector<MockSignal>& signals() const { return signals_; }
  // The "gc" answer without its terminating 0: one 21-character record per signal.
  std::string signalListText() const;
  // One byte per signal, each a signed 8-bit mode. A mode that the signal list cannot
  // carry refuses the whole change (false) and keeps the modes as they were.
  bool setModes(const uint8_t* modes);
  // The 7 parameter bytes of "ct": year (big-endian), month, day, hour, minute, second.
  void setClock(const uint8_t* parameters);
  // day/month/year hour:minute:second of the last "ct".
  std::string clockText() const;

  // Starts the blocks, and a recording when a card is in and "uSD" is on (mode 1).
  void startStreaming();
  void stopStreaming();
  // Ends a recording and closes its file (the link closed); blocks go on.
  void stopRecording() { card_.stopRecording(); }
  bool streaming() const { return streaming_; }
  uint16_t sequence() const { return sequence_; }
  // The battery word of the next block.
  uint16_t battery() const;
  // Waits until the next block is due, then appends it to output. Needs startStreaming.
  void produceBlock(ByteQueue& output);

  // Clock mode ("ck" to "a"): each sample is the device's clock, in microseconds since
  // power-on, when the request arrived and when the answer leaves, big-endian.
  void setClockMode(bool on) { clockMode_ = on; }
  bool clockMode() const { return clockMode_; }
  void clockSample(uint8_t (&answer)[8]) const;

 private:
  int64_t dueTime() const;
  void generateValues(std::size_t signal, int32_t mode);
  // Overwrites the channels that follow the wall clock.
  void applyWallClockChannels(std::size_t signal);

  std::string version_ = "HW8.7_FW1.4";
  int32_t frequency_ = kMockDefaultFrequency;
  std::string file_ = "mock_filename.sdf";
  std::string folder_ = "mock/directory";
  std::vector<MockSignal> signals_;
  MockMarkers markers_;
  MockReferenceWave referenceWave_;
  std::size_t markerSignal_ = 0;  // the first DIN signal, which carries the marker codes
  std::size_t waveSignal_ = 0;    // the first EEG signal, which carries the reference wave
  std::function<int64_t()> wallClock_;
  int64_t startWallTime_ = 0;  // 100-ns ticks since 1970, taken at start
  uint16_t clockYear_ = 0;
  uint8_t clockParts_[5] = {};  // month, day, hour, minute, second
  uint16_t sequence_ = 0;
  MockBattery battery_;
  uint64_t blocksStreamed_ = 0;  // over the device's life: what drains the battery
  int64_t powerOnWallTime_ = 0;
  bool clockMode_ = false;
  MockSdCard card_;
  bool streaming_ = false;
  int64_t startTime_ = 0;
  // Counts on across the 16-bit sequence wrap so that pacing keeps its rate.
  uint64_t blocksSinceStart_ = 0;

  // Built at start: where each signal's bytes go, with its encoder.
  BlockLayout layout_;
  // Borrowed from layout_, one per signal; null for signals that are off or "uSD".
  std::vector<const SignalDecoder*> encoders_;
  std::vector<double> scratch_;
  Pacer pacer_;
};

}  // namespace zav

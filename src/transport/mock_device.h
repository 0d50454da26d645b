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

#include "signal/signal_decoder.h"
#include "transport/byte_queue.h"
#include "transport/mock_configuration.h"

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

  // Replaces the signals and the block rate.
  void configure(MockSetup setup);
  void setPacer(Pacer pacer) { pacer_ = std::move(pacer); }

  const std::string& version() const { return version_; }
  int32_t frequency() const { return frequency_; }
  const std::string& file() const { return file_; }
  void setFile(std::string file) { file_ = std::move(file); }
  const std::string& folder() const { return folder_; }
  void setFolder(std::string folder) { folder_ = std::move(folder); }
  const std::vector<MockSignal>& signals() const { return signals_; }
  // The "gc" answer without its terminating 0: one 21-character record per signal.
  std::string signalListText() const;
  // One byte per signal, each a signed 8-bit mode.
  void setModes(const uint8_t* modes);
  // The 7 parameter bytes of "ct": year (big-endian), month, day, hour, minute, second.
  void setClock(const uint8_t* parameters);
  // day/month/year hour:minute:second of the last "ct".
  std::string clockText() const;

  void startStreaming();
  void stopStreaming() { streaming_ = false; }
  bool streaming() const { return streaming_; }
  uint16_t sequence() const { return sequence_; }
  uint16_t battery() const { return battery_; }
  // Waits until the next block is due, then appends it to output. Needs startStreaming.
  void produceBlock(ByteQueue& output);

 private:
  int64_t dueTime() const;
  void generateValues(std::size_t signal, int32_t mode);

  std::string version_ = "HW8.7_FW1.4";
  int32_t frequency_ = kMockDefaultFrequency;
  std::string file_ = "mock_filename.sdf";
  std::string folder_ = "mock/directory";
  std::vector<MockSignal> signals_;
  uint16_t clockYear_ = 0;
  uint8_t clockParts_[5] = {};  // month, day, hour, minute, second
  uint16_t sequence_ = 0;
  uint16_t battery_ = 3500;
  bool streaming_ = false;
  int64_t startTime_ = 0;
  // Counts on across the 16-bit sequence wrap so that pacing keeps its rate.
  uint64_t blocksSinceStart_ = 0;

  // Built at start, one per signal; empty for signals that are off or "uSD".
  std::vector<std::unique_ptr<SignalDecoder>> encoders_;
  std::vector<int32_t> encoderModes_;
  std::size_t payloadBytes_ = 0;
  std::vector<double> scratch_;
  Pacer pacer_;
};

}  // namespace zav

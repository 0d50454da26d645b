// A recording of the blocks a handle reads, into one file whose name's extension chooses
// the format: ".bdf" (BDF+, bdf_writer.h). A jump in the sequence numbers is written as
// lost blocks, so that time in the file stays the device's time.
//
//     std::string reason;
//     auto recorder = LiveRecorder::start("session.bdf", driver.signals(), driver.frequency(), reason);
//     recorder->add(values, sequence, flags);   // after every successful read
//     bool whole = recorder->stop();            // also when the handle goes away
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "record/bdf_writer.h"
#include "signal/signal_info.h"

namespace zav::detail {

class LiveRecorder {
 public:
  // A running recording, or null with reason set (unknown format, file not created, ...).
  static std::unique_ptr<LiveRecorder> start(const std::string& path, const SignalList& signals,
                                             uint16_t frequency, std::string& reason);
  // A recorder whose file is not open yet; start() opens it.
  LiveRecorder(const std::string& path, SignalList signals);
  ~LiveRecorder();
  LiveRecorder(const LiveRecorder&) = delete;
  LiveRecorder& operator=(const LiveRecorder&) = delete;

  // Whether blocks of these signals fit the recording.
  bool fits(const SignalList& signals) const { return signals == signals_; }
  // One block as a read returned it.
  void add(const std::vector<double>& values, uint16_t sequence, uint16_t flags);
  // Ends the recording (once; later calls repeat the result): true when every block
  // given was written and the file completed.
  bool stop();
  // Ends it early for a reason the recorder did not see itself (a lost link).
  void end(const std::string& reason);
  bool running() const { return writer_.isOpen(); }
  // Why the recording is not whole, or empty.
  const std::string& error() const { return error_; }

 private:
  BdfWriter writer_;
  SignalList signals_;
  bool first_ = true;
  uint16_t last_ = 0;
  bool stopped_ = false;
  bool whole_ = false;
  std::string error_;
};

}  // namespace zav::detail

#include "api/live_recorder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "common/diagnostics.h"

namespace zav::detail {

namespace {

// Forward jumps up to half the sequence circle are losses; anything else (a repeat, a
// step back) is written as it comes.
constexpr uint16_t kLargestGap = 0x8000;

std::string extensionOf(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

LiveRecorder::LiveRecorder(const std::string& path, SignalList signals)
    : writer_(path), signals_(std::move(signals)) {}

LiveRecorder::~LiveRecorder() {
  stop();
}

std::unique_ptr<LiveRecorder> LiveRecorder::start(const std::string& path, const SignalList& signals,
                                                  uint16_t frequency, std::string& reason) {
  const std::string extension = extensionOf(path);
  if (extension == ".csv") {
    reason = "recording to CSV is not available yet: use a .bdf file";
    return nullptr;
  }
  if (extension != ".bdf") {
    reason = "unknown recording format \"" + extension + "\": use a .bdf file";
    return nullptr;
  }
  auto recorder = std::make_unique<LiveRecorder>(path, signals);
  if (!recorder->writer_.open(signals, frequency)) {
    reason = recorder->writer_.error();
    return nullptr;
  }
  return recorder;
}

void LiveRecorder::add(const std::vector<double>& values, uint16_t sequence, uint16_t flags) {
  if (!writer_.isOpen()) return;
  const uint16_t step = static_cast<uint16_t>(sequence - last_);
  if (!first_ && step > 1 && step < kLargestGap) writer_.writeLost(step - 1u);
  first_ = false;
  last_ = sequence;
  writer_.write(values.data(), values.size(), flags);
  if (!writer_.isOpen()) {
    error_ = writer_.error();
    diag::line("recording stopped: ", error_);
  }
}

bool LiveRecorder::stop() {
  if (!stopped_) {
    stopped_ = true;
    whole_ = writer_.close();
    if (!whole_ && error_.empty()) error_ = writer_.error();
  }
  return whole_;
}

void LiveRecorder::end(const std::string& reason) {
  if (stopped_ || !writer_.isOpen()) return;
  stop();
  diag::line("recording stopped: ", reason);
}

}  // namespace zav::detail

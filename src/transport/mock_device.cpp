#include "transport/mock_device.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "common/block_format.h"
#include "common/byte_order.h"
#include "platform/clock.h"
#include "transport/marker_code.h"
#include "transport/mock_record_header.h"

namespace zav {

namespace {

constexpr uint64_t kNanosecondsPerSecond = 1000000000;
constexpr int64_t kTicksPerSecond = 10000000;  // 100-ns ticks
constexpr int64_t kMarkerChannel = 1;
// Any frequency in steps of 0.001 Hz runs a whole number of cycles in this time.
constexpr int64_t kWaveLoopSeconds = 1000;
constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kTicksPerMicrosecond = 10;
// Below this a cell has cut off; an empty battery reads no lower.
constexpr int32_t kCutOffMillivolts = 3300;

std::size_t firstOfType(const std::vector<MockSignal>& signals, const char* prefix) {
  for (std::size_t i = 0; i < signals.size(); ++i) {
    if (signals[i].info.type.compare(0, 3, prefix) == 0) return i;
  }
  return signals.size();
}

}  // namespace

MockDevice::Pacer MockDevice::steadyPacer() {
  using Clock = std::chrono::steady_clock;
  return {
      [] {
        return static_cast<int64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
      },
      [](int64_t nanoseconds) {
        std::this_thread::sleep_until(Clock::time_point(
            std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(nanoseconds))));
      }};
}

MockDevice::MockDevice()
    : wallClock_(platform::systemTime100ns), powerOnWallTime_(wallClock_()), pacer_(steadyPacer()) {}
MockDevice::~MockDevice() = default;

void MockDevice::setWallClock(std::function<int64_t()> wallClock) {
  wallClock_ = std::move(wallClock);
  powerOnWallTime_ = wallClock_();
}

void MockDevice::configure(MockSetup setup) {
  frequency_ = std::max<int32_t>(1, setup.frequency);
  signals_ = std::move(setup.signals);
  markers_ = setup.markers;
  referenceWave_ = setup.referenceWave;
  battery_ = setup.battery;
  markerSignal_ = firstOfType(signals_, "DIN");
  waveSignal_ = firstOfType(signals_, "EEG");
  // The encoders belong to the old list; the next start builds new ones.
  encoders_.clear();
  layout_ = BlockLayout();
}

std::string MockDevice::signalListText() const {
  std::string text;
  for (const MockSignal& signal : signals_) text += signalRecordText(signal.info);
  return text;
}

bool MockDevice::setModes(const uint8_t* modes) {
  for (std::size_t i = 0; i < signals_.size(); ++i) {
    const int32_t mode = static_cast<int8_t>(modes[i]);
    if (mode < kMockSmallestMode || mode > kMockLargestMode) return false;
  }
  for (std::size_t i = 0; i < signals_.size(); ++i) signals_[i].info.mode = static_cast<int8_t>(modes[i]);
  return true;
}

void MockDevice::setClock(const uint8_t* parameters) {
  clockYear_ = readU16BE(parameters);
  std::copy(parameters + 2, parameters + 7, clockParts_);
}

std::string MockDevice::clockText() const {
  const auto part = [this](int index) { return std::to_string(static_cast<int8_t>(clockParts_[index])); };
  return part(1) + "/" + part(0) + "/" + std::to_string(clockYear_) + " " + part(2) + ":" + part(3) + ":" +
         part(4);
}

void MockDevice::startStreaming() {
  streaming_ = true;
  startTime_ = pacer_.now();
  startWallTime_ = wallClock_();
  blocksSinceStart_ = 0;
  SignalList infos;
  infos.reserve(signals_.size());
  for (const MockSignal& signal : signals_) infos.push_back(signal.info);
  layout_ = BlockLayout(infos);
  encoders_.assign(signals_.size(), nullptr);
  std::size_t largestSignal = 0;
  for (const BlockSlot& slot : layout_.slots()) {
    if (!slot.enabled()) continue;
    encoders_[slot.signal] = slot.decoder.get();
    largestSignal = std::max<std::size_t>(largestSignal, static_cast<std::size_t>(slot.values()));
  }
  scratch_.assign(largestSignal, 0.0);
  clockMode_ = false;

  const auto sdCard = std::find_if(signals_.begin(), signals_.end(),
                                   [](const MockSignal& signal) { return isSdCard(signal.info); });
  if (!card_.inserted() || sdCard == signals_.end() || sdCard->info.mode != 1) {
    card_.stopRecording();
    card_.clearFault();
    return;
  }
  const std::size_t eeg = firstOfType(signals_, "EEG");
  const int32_t eegChannels = eeg < signals_.size() ? signals_[eeg].info.channels : 0;
  std::string description = "Simulated amplifier " + version_;
  if (clockYear_ != 0) description += ", started " + clockText();
  card_.startRecording(folder_, file_,
                       mockRecordHeader(description, frequency_, signalListText(), eegChannels));
}

void MockDevice::stopStreaming() {
  streaming_ = false;
  card_.stopRecording();
}

uint16_t MockDevice::battery() const {
  const double minutes = static_cast<double>(blocksStreamed_) / (60.0 * frequency_);
  const auto lost = static_cast<int64_t>(battery_.drainPerMinute * minutes);
  const int64_t floor = std::min(battery_.millivolts, kCutOffMillivolts);
  return static_cast<uint16_t>(std::max<int64_t>(battery_.millivolts - lost, floor));
}

namespace {
constexpr uint32_t kExchangeMicroseconds = 3;
constexpr int kMostSpins = 100000;
}  // namespace

void MockDevice::clockSample(uint8_t (&answer)[8]) const {
  const auto microseconds = [this] {
    return static_cast<uint32_t>((wallClock_() - powerOnWallTime_) / kTicksPerMicrosecond);
  };
  const uint32_t received = microseconds();
  // A real exchange crosses a link and takes microseconds at the least; one inside this
  // process can take less, and a host that cannot tell its before and after apart has
  // to discard the sample. The answer leaves a few microseconds after the request came in
  // (bounded, in case the clock stands still).
  uint32_t sent = microseconds();
  for (int spins = 0; sent - received < kExchangeMicroseconds && spins < kMostSpins; ++spins) sent = microseconds();
  sent = std::max<uint32_t>(sent, received + 1);
  writeU32BE(answer, received);
  writeU32BE(answer + 4, sent);
}

int64_t MockDevice::dueTime() const {
  // Split so that the product cannot overflow however long the device streams.
  const auto frequency = static_cast<uint64_t>(frequency_);
  const uint64_t offset = blocksSinceStart_ / frequency * kNanosecondsPerSecond +
                          blocksSinceStart_ % frequency * kNanosecondsPerSecond / frequency;
  return startTime_ + static_cast<int64_t>(offset);
}

void MockDevice::generateValues(std::size_t index, int32_t mode) {
  const MockSignal& signal = signals_[index];
  const SignalDecoder& encoder = *encoders_[index];
  const uint64_t channels = encoder.channels();
  const uint64_t blockSize = encoder.blockSize();
  if (!signal.values.empty()) {
    const std::vector<double>& values = signal.values;
    const uint64_t first = static_cast<uint64_t>(sequence_) * channels * blockSize;
    for (uint64_t i = 0; i < channels * blockSize; ++i) scratch_[i] = values[(first + i) % values.size()];
    applyWallClockChannels(index);
    return;
  }
  const double swing = std::ldexp(1.0, 8 * std::max(1, signal.info.bytes / 2)) - 1.0;
  const double samplesPerSecond = static_cast<double>(frequency_) * static_cast<double>(blockSize);
  for (uint64_t c = 0; c < channels; ++c) {
    const double step = encoder.resolution(static_cast<uint32_t>(c), mode);
    for (uint64_t s = 0; s < blockSize; ++s) {
      const double t =
          static_cast<double>(static_cast<uint64_t>(sequence_) * blockSize + s) / samplesPerSecond;
      scratch_[c * blockSize + s] = std::sin(t) * swing * step;
    }
  }
  applyWallClockChannels(index);
}

void MockDevice::applyWallClockChannels(std::size_t index) {
  const bool markers = markers_.everySeconds > 0.0 && index == markerSignal_;
  const bool wave = referenceWave_.channel >= 0 && index == waveSignal_;
  if (!markers && !wave) return;

  const SignalDecoder& encoder = *encoders_[index];
  const auto blockSize = static_cast<int64_t>(encoder.blockSize());
  const int64_t sampleRate = static_cast<int64_t>(frequency_) * blockSize;
  // The start instant rounded to the sample grid, counted in samples since 1970 (split so
  // that nothing overflows).
  const int64_t seconds = startWallTime_ / kTicksPerSecond;
  const int64_t firstSample = seconds * sampleRate +
                              ((startWallTime_ % kTicksPerSecond) * sampleRate + kTicksPerSecond / 2) /
                                  kTicksPerSecond +
                              static_cast<int64_t>(blocksSinceStart_) * blockSize;
  if (markers && encoder.channels() > kMarkerChannel) {
    const int64_t period = markerPeriodSamples(markers_.everySeconds, sampleRate);
    for (int64_t s = 0; s < blockSize; ++s) {
      scratch_[static_cast<std::size_t>(kMarkerChannel * blockSize + s)] =
          markerLevel(firstSample + s, period) ? 1.0 : 0.0;
    }
  }
  if (wave && static_cast<uint32_t>(referenceWave_.channel) < encoder.channels()) {
    // The phase from the sample count modulo a whole number of cycles keeps it exact
    // however far 1970 lies behind.
    const int64_t loop = sampleRate * kWaveLoopSeconds;
    for (int64_t s = 0; s < blockSize; ++s) {
      const double t = static_cast<double>((firstSample + s) % loop) / static_cast<double>(sampleRate);
      scratch_[static_cast<std::size_t>(referenceWave_.channel * blockSize + s)] =
          referenceWave_.amplitude * std::sin(2.0 * kPi * referenceWave_.frequency * t);
    }
  }
}

void MockDevice::produceBlock(ByteQueue& output) {
  const int64_t due = dueTime();
  if (due > pacer_.now()) pacer_.sleepUntil(due);

  const auto blockBytes = static_cast<std::size_t>(layout_.blockBytes());
  uint8_t* block = output.extend(blockBytes);
  block::writeHeader(block, {sequence_, battery(), card_.fault()});
  uint8_t* payload = block + block::kPayloadOffset;
  for (const BlockSlot& slot : layout_.slots()) {
    if (!slot.enabled()) continue;
    generateValues(slot.signal, slot.decoderMode());
    slot.decoder->encode(scratch_.data(), slot.decoderMode(), payload + slot.byteOffset);
  }
  block::finish(block, blockBytes);
  if (card_.recording()) card_.write(block, blockBytes);

  sequence_ = static_cast<uint16_t>(sequence_ + 1);
  ++blocksSinceStart_;
  ++blocksStreamed_;
}

}  // namespace zav

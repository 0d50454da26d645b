#include "transport/mock_device.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "common/block_format.h"
#include "common/byte_order.h"

namespace zav {

namespace {

constexpr uint64_t kNanosecondsPerSecond = 1000000000;

bool producesData(const SignalInfo& info) {
  return info.mode >= 1 && !isSdCard(info);
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

MockDevice::MockDevice() : pacer_(steadyPacer()) {}
MockDevice::~MockDevice() = default;

void MockDevice::configure(MockSetup setup) {
  frequency_ = std::max<int32_t>(1, setup.frequency);
  signals_ = std::move(setup.signals);
  // The encoders belong to the old list; the next start builds new ones.
  encoders_.clear();
  encoderModes_.clear();
  payloadBytes_ = 0;
}

std::string MockDevice::signalListText() const {
  std::string text;
  for (const MockSignal& signal : signals_) text += signalRecordText(signal.info);
  return text;
}

void MockDevice::setModes(const uint8_t* modes) {
  for (std::size_t i = 0; i < signals_.size(); ++i) signals_[i].info.mode = static_cast<int8_t>(modes[i]);
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
  blocksSinceStart_ = 0;
  encoders_.clear();
  encoderModes_.clear();
  payloadBytes_ = 0;
  std::size_t largestSignal = 0;
  for (const MockSignal& signal : signals_) {
    const SignalInfo& info = signal.info;
    std::unique_ptr<SignalDecoder> encoder;
    if (producesData(info)) {
      encoder = makeDecoder(info.type, static_cast<uint32_t>(info.bytes),
                            static_cast<uint32_t>(info.channels), static_cast<uint32_t>(info.blockSize));
    }
    if (encoder) {
      payloadBytes_ += encoder->bytesPerBlock();
      largestSignal = std::max<std::size_t>(largestSignal, encoder->valuesPerBlock());
    }
    encoders_.push_back(std::move(encoder));
    encoderModes_.push_back(info.mode);
  }
  scratch_.assign(largestSignal, 0.0);
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
}

void MockDevice::produceBlock(ByteQueue& output) {
  const int64_t due = dueTime();
  if (due > pacer_.now()) pacer_.sleepUntil(due);

  const std::size_t blockBytes = block::kOverheadBytes + payloadBytes_;
  uint8_t* block = output.extend(blockBytes);
  block[0] = block::kSync0;
  block[1] = block::kSync1;
  writeU16BE(block + block::kSequenceOffset, sequence_);
  writeU16BE(block + block::kBatteryOffset, battery_);
  writeU16BE(block + block::kFlagsOffset, 0);
  uint8_t* payload = block + block::kPayloadOffset;
  for (std::size_t i = 0; i < encoders_.size(); ++i) {
    if (!encoders_[i]) continue;
    generateValues(i, encoderModes_[i]);
    encoders_[i]->encode(scratch_.data(), encoderModes_[i], payload);
    payload += encoders_[i]->bytesPerBlock();
  }
  block[blockBytes - 1] = byteSum(block, blockBytes - 1);

  sequence_ = static_cast<uint16_t>(sequence_ + 1);
  ++blocksSinceStart_;
}

}  // namespace zav

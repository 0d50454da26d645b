// Conversion between a signal's bytes in a data block and physical values.
//
// Layout inside a block is channel-major: channel c, sample s starts at byte
// (c * blockSize + s) * bytes and goes to value index c * blockSize + s.
//
//     auto eeg = makeDecoder("EEG", 3, 32, 8);
//     eeg->decode(payload, /*mode=*/1, values);   // 768 bytes in, 256 microvolt values out
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "signal/raw_conversion.h"

namespace zav {

class SignalDecoder {
 public:
  // A shape whose value or byte count would not fit in 31 bits is kept as an empty one
  // (no channels), so that every size below is exact. Values wider than 4 bytes decode
  // from their last 4 bytes; 0 bytes decode as raw 0.
  SignalDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
  virtual ~SignalDecoder();

  // Reads bytesPerBlock() bytes from data and writes valuesPerBlock() values to out.
  virtual void decode(const uint8_t* data, int32_t mode, double* out) const;
  // Reads valuesPerBlock() values from in and writes bytesPerBlock() bytes to out.
  virtual void encode(const double* in, int32_t mode, uint8_t* out) const;
  virtual int64_t toRaw(double value, uint32_t channel, int32_t mode) const;
  virtual double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const;

  uint32_t bytes() const { return bytes_; }
  uint32_t channels() const { return channels_; }
  uint32_t blockSize() const { return blockSize_; }
  uint32_t valuesPerBlock() const { return channels_ * blockSize_; }
  uint32_t bytesPerBlock() const { return blockSize_ * channels_ * bytes_; }
  // The physical value of one raw step.
  double resolution(uint32_t channel, int32_t mode) const { return fromRaw(1, channel, mode); }

 protected:
  // Calls visit(channel, valueIndex, byteOffset) for every value, in block order.
  template <typename Visit>
  void forEachValue(Visit&& visit) const {
    for (uint32_t c = 0; c < channels_; ++c) {
      for (uint32_t s = 0; s < blockSize_; ++s) {
        const uint32_t index = c * blockSize_ + s;
        visit(c, index, static_cast<std::size_t>(index) * bytes_);
      }
    }
  }

  // The base decode with a known conversion in place of the virtual fromRaw, for
  // subclasses whose conversion is fixed (the hot path of 64-channel blocks).
  template <typename Convert>
  void decodeWith(const uint8_t* data, double* out, Convert convert) const;

  uint32_t bytes_;
  uint32_t channels_;
  uint32_t blockSize_;
};

template <typename Convert>
void SignalDecoder::decodeWith(const uint8_t* data, double* out, Convert convert) const {
  forEachValue([&](uint32_t channel, uint32_t index, std::size_t offset) {
    out[index] = convert(raw::readBigEndian(data + offset, bytes_), channel);
  });
}

// The decoder for a type code (exact, case-sensitive); unknown codes get the plain
// integer decoder.
std::unique_ptr<SignalDecoder> makeDecoder(const std::string& type, uint32_t bytes, uint32_t channels,
                                           uint32_t blockSize);

}  // namespace zav

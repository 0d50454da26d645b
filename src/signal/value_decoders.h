// Signals stored as plain big-endian integers whose conversion to a physical value
// depends on the channel or the mode (the per-value part of the decoder family).
#pragma once

#include "signal/signal_decoder.h"

namespace zav {

// Digital lines: any non-zero raw value is 1.0.
class DigitalDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  int64_t toRaw(double value, uint32_t channel, int32_t mode) const override;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const override;
};

// Fixed-point values: 1/128 steps in mode 1, otherwise 1/32 steps in the upper 30 bits.
class FloatDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  int64_t toRaw(double value, uint32_t channel, int32_t mode) const override;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const override;
};

// Skin conductance from the voltage over the sensor; raw 0 reads 33.0 instead of infinity.
class GsrDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  int64_t toRaw(double value, uint32_t channel, int32_t mode) const override;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const override;
};

// Inertial unit whose channel groups and scales depend on the mode (1 or 2).
class ImuDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  int64_t toRaw(double value, uint32_t channel, int32_t mode) const override;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const override;
};

// Inertial unit with fixed groups: channels 0-2, 3-5 and 6 onwards.
class ImuBDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  int64_t toRaw(double value, uint32_t channel, int32_t mode) const override;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const override;
};

}  // namespace zav

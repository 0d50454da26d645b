// Signals whose block bytes are not plain big-endian integers, so the whole block
// conversion is their own. Values sit at the usual offsets, (channel x blockSize +
// sample) x bytes, but take a fixed width; bytes that would lie past the signal's own
// data read as 0 and are not written.
#pragma once

#include "signal/signal_decoder.h"

namespace zav {

// Auxiliary digital input. Modes 1 to 8 hold plain integers scaled per channel group;
// mode 9 and above carry one 18-byte record per block, decoded into sample 0 of
// channels 0 to 7. Only the channels and record bytes that the signal has are used:
// a field whose bytes or channel the signal lacks is skipped.
class ComDecoder : public SignalDecoder {
 public:
  static constexpr uint32_t kRecordBytes = 18;
  static constexpr uint32_t kRecordChannels = 8;

  using SignalDecoder::SignalDecoder;
  void decode(const uint8_t* data, int32_t mode, double* out) const override;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const override;

 private:
  void decodeRecord(const uint8_t* data, double* out) const;
};

// Two bytes per value: channel 0 holds a whole part and hundredths; the other channels
// are 16-bit numbers stored low byte first.
class AnchDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  void decode(const uint8_t* data, int32_t mode, double* out) const override;
  void encode(const double* in, int32_t mode, uint8_t* out) const override;
};

// Two bytes per value, a whole part and hundredths.
class PosDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  void decode(const uint8_t* data, int32_t mode, double* out) const override;
  void encode(const double* in, int32_t mode, uint8_t* out) const override;
};

// Four bytes per value, an unsigned big-endian count of 1708.98 units.
class TsDecoder : public SignalDecoder {
 public:
  using SignalDecoder::SignalDecoder;
  void decode(const uint8_t* data, int32_t mode, double* out) const override;
};

}  // namespace zav

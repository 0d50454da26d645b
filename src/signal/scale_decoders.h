// Signals whose raw integers are a fixed step of a physical unit: value = step x raw,
// with step = factor x 1000000.0 (microvolts for the electrode inputs).
#pragma once

#include "signal/signal_decoder.h"

namespace zav {

class ScaleDecoder : public SignalDecoder {
 public:
  ScaleDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize, double factor);

  void decode(const uint8_t* data, int32_t mode, double* out) const override;
  int64_t toRaw(double value, uint32_t channel, int32_t mode) const final;
  double fromRaw(int32_t raw, uint32_t channel, int32_t mode) const final;
  double factor() const { return factor_; }

 private:
  double factor_;
};

class EegDecoder : public ScaleDecoder {
 public:
  EegDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
};

class ExgaDecoder : public ScaleDecoder {
 public:
  ExgaDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
};

class ExgbDecoder : public ScaleDecoder {
 public:
  ExgbDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
};

class GenDecoder : public ScaleDecoder {
 public:
  GenDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
};

class FotDecoder : public ScaleDecoder {
 public:
  FotDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
};

class AccDecoder : public ScaleDecoder {
 public:
  AccDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize);
};

}  // namespace zav

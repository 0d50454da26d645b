#include "signal/scale_decoders.h"

#include "signal/raw_conversion.h"

namespace zav {

ScaleDecoder::ScaleDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize, double factor)
    : SignalDecoder(bytes, channels, blockSize), factor_(factor) {}

// The step is always formed as factor x 1000000.0, in that order, so that values are
// reproducible to the last bit.
int64_t ScaleDecoder::toRaw(double value, uint32_t, int32_t) const {
  return raw::truncToInt64(value / (factor_ * 1000000.0));
}

double ScaleDecoder::fromRaw(int32_t raw, uint32_t, int32_t) const { return (factor_ * 1000000.0) * raw; }

void ScaleDecoder::decode(const uint8_t* data, int32_t, double* out) const {
  const double step = factor_ * 1000000.0;
  decodeWith(data, out, [step](int32_t raw, uint32_t) { return step * raw; });
}

EegDecoder::EegDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : ScaleDecoder(bytes, channels, blockSize, 0.9837 * 1.2369316684905967e-08) {}

ExgaDecoder::ExgaDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : ScaleDecoder(bytes, channels, blockSize, 0.9837 * 5.351707723940796e-08) {}

ExgbDecoder::ExgbDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : ScaleDecoder(bytes, channels, blockSize, 0.9837 * 5.017226589294514e-08) {}

GenDecoder::GenDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : ScaleDecoder(bytes, channels, blockSize, 0.9837 * 3.178914388020833e-07) {}

FotDecoder::FotDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : ScaleDecoder(bytes, channels, blockSize, 0.0032258064516129032) {}

AccDecoder::AccDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : ScaleDecoder(bytes, channels, blockSize, 1.0 / (1000000.0 * 128.0)) {}

}  // namespace zav

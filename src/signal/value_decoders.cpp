#include "signal/value_decoders.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "signal/raw_conversion.h"

namespace zav {

int64_t DigitalDecoder::toRaw(double value, uint32_t, int32_t) const {
  return std::fabs(value) < 1e-6 ? 0 : 1;  // NaN compares false, so it reads as set
}

double DigitalDecoder::fromRaw(int32_t raw, uint32_t, int32_t) const { return raw != 0 ? 1.0 : 0.0; }

int64_t FloatDecoder::toRaw(double value, uint32_t, int32_t mode) const {
  if (mode == 1) return raw::truncToInt64(value * 128.0);
  // Kept inside the range where the multiplication by 4 cannot overflow.
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 4;
  return std::clamp(raw::truncToInt64(value * 32.0), -kLimit, kLimit) * 4;
}

double FloatDecoder::fromRaw(int32_t raw, uint32_t, int32_t mode) const {
  if (mode == 1) return raw * 0.0078125;
  return raw::shiftRightArithmetic(raw, 2) * 0.03125;
}

int64_t GsrDecoder::toRaw(double value, uint32_t, int32_t) const {
  const double denominator = (value * 6490000.0 + 1.0) * 0.000125;
  if (denominator == 0.0) return std::numeric_limits<int64_t>::max();  // what 3.3 / +0 would give
  return raw::truncToInt64(3.3 / denominator);
}

double GsrDecoder::fromRaw(int32_t raw, uint32_t, int32_t) const {
  if (raw == 0) return 33.0;
  const double volts = raw * 0.000125;
  return (3.3 - volts) / (volts * 6490000.0);
}

namespace {

// Raw units per physical unit of an inertial-unit channel.
double imuDivisor(uint32_t channel, int32_t mode) {
  if (mode == 1) return channel < 3 ? 900.0 : channel < 6 ? 16.0 : 100.0;
  if (mode == 2) return channel < 2 ? 1.0 : channel < 5 ? 100.0 : 16384.0;
  return 1.0;
}

double imuBDivisor(uint32_t channel) { return channel < 3 ? 417.95918367346934 : channel < 6 ? 32.8 : 1.6667; }

}  // namespace

int64_t ImuDecoder::toRaw(double value, uint32_t channel, int32_t mode) const {
  return raw::truncToInt64(value * imuDivisor(channel, mode));
}

double ImuDecoder::fromRaw(int32_t raw, uint32_t channel, int32_t mode) const {
  return raw / imuDivisor(channel, mode);
}

int64_t ImuBDecoder::toRaw(double value, uint32_t channel, int32_t) const {
  return raw::truncToInt64(value * imuBDivisor(channel));
}

double ImuBDecoder::fromRaw(int32_t raw, uint32_t channel, int32_t) const { return raw / imuBDivisor(channel); }

}  // namespace zav

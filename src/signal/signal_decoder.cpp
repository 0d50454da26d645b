#include "signal/signal_decoder.h"

#include <algorithm>
#include <new>

#include "signal/block_decoders.h"
#include "signal/scale_decoders.h"
#include "signal/value_decoders.h"

namespace zav {

namespace {

constexpr uint64_t kLargestExtent = 0x7FFFFFFFu;

bool fitsExtent(uint32_t bytes, uint32_t channels, uint32_t blockSize) {
  const uint64_t values = static_cast<uint64_t>(channels) * blockSize;
  return values <= kLargestExtent && values * std::max<uint64_t>(bytes, 1) <= kLargestExtent;
}

}  // namespace

SignalDecoder::SignalDecoder(uint32_t bytes, uint32_t channels, uint32_t blockSize)
    : bytes_(bytes), channels_(channels), blockSize_(blockSize) {
  if (!fitsExtent(bytes, channels, blockSize)) {
    channels_ = 0;
    blockSize_ = 0;
  }
}

SignalDecoder::~SignalDecoder() = default;

void SignalDecoder::decode(const uint8_t* data, int32_t mode, double* out) const {
  decodeWith(data, out, [&](int32_t raw, uint32_t channel) { return fromRaw(raw, channel, mode); });
}

void SignalDecoder::encode(const double* in, int32_t mode, uint8_t* out) const {
  forEachValue([&](uint32_t channel, uint32_t index, std::size_t offset) {
    raw::writeBigEndian(out + offset, bytes_, toRaw(in[index], channel, mode));
  });
}

int64_t SignalDecoder::toRaw(double value, uint32_t, int32_t) const { return raw::floorToInt64(value); }

double SignalDecoder::fromRaw(int32_t raw, uint32_t, int32_t) const { return static_cast<double>(raw); }

namespace {

template <typename Decoder>
std::unique_ptr<SignalDecoder> build(uint32_t bytes, uint32_t channels, uint32_t blockSize) {
  return std::make_unique<Decoder>(bytes, channels, blockSize);
}

using Builder = std::unique_ptr<SignalDecoder> (*)(uint32_t, uint32_t, uint32_t);

struct TypeEntry {
  const char* type;
  Builder builder;
};

const TypeEntry kDecoderTypes[] = {
    {"ACC", build<AccDecoder>},       {"ANC", build<AnchDecoder>},     {"COM", build<ComDecoder>},
    {"DIN", build<DigitalDecoder>},   {"DOUT", build<DigitalDecoder>}, {"EEG", build<EegDecoder>},
    {"ExG_A", build<ExgaDecoder>},    {"ExG_B", build<ExgbDecoder>},   {"FLOT", build<FloatDecoder>},
    {"FOT", build<FotDecoder>},       {"GEN", build<GenDecoder>},      {"GSR", build<GsrDecoder>},
    {"IMU", build<ImuDecoder>},       {"IMU_B", build<ImuBDecoder>},   {"TS", build<TsDecoder>},
    {"POS", build<PosDecoder>},
};

}  // namespace

std::unique_ptr<SignalDecoder> makeDecoder(const std::string& type, uint32_t bytes, uint32_t channels,
                                           uint32_t blockSize) {
  try {
    for (const TypeEntry& entry : kDecoderTypes) {
      if (type == entry.type) return entry.builder(bytes, channels, blockSize);
    }
    return build<SignalDecoder>(bytes, channels, blockSize);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace zav

#include "signal/block_decoders.h"

#include <algorithm>

#include "signal/raw_conversion.h"

namespace zav {

namespace {

// A signal's bytes in a block; bytes past the end read as 0.
class InputBytes {
 public:
  InputBytes(const uint8_t* data, uint32_t size) : data_(data), size_(size) {}
  uint8_t operator[](std::size_t i) const { return i < size_ ? data_[i] : 0; }
  uint16_t lowFirst16(std::size_t i) const {
    return static_cast<uint16_t>((*this)[i] | ((*this)[i + 1] << 8));
  }

 private:
  const uint8_t* data_;
  uint32_t size_;
};

// A signal's bytes in a block being written; bytes past the end are dropped.
class OutputBytes {
 public:
  OutputBytes(uint8_t* data, uint32_t size) : data_(data), size_(size) { std::fill(data, data + size, 0); }
  void put(std::size_t i, uint8_t byte) {
    if (i < size_) data_[i] = byte;
  }
  void putLowFirst16(std::size_t i, uint16_t value) {
    put(i, static_cast<uint8_t>(value & 0xFFu));
    put(i + 1, static_cast<uint8_t>(value >> 8));
  }

 private:
  uint8_t* data_;
  uint32_t size_;
};

uint8_t lowByte(int64_t value) { return static_cast<uint8_t>(static_cast<uint64_t>(value) & 0xFFu); }

// A whole part in the first byte and hundredths in the second.
double decodeHundredths(const InputBytes& in, std::size_t offset) {
  return (in[offset] * 100.0 + in[offset + 1]) * 0.01;
}

void encodeHundredths(double value, OutputBytes& out, std::size_t offset) {
  const double hundredths = value / 0.01;
  const double whole = std::floor(hundredths / 100);
  out.put(offset, lowByte(raw::floorToInt64(whole)));
  out.put(offset + 1, lowByte(raw::floorToInt64(hundredths - whole * 100)));
}

int16_t bigEndian16(const uint8_t* p) {
  return raw::toSigned16(static_cast<uint16_t>((p[0] << 8) | p[1]));
}

// Degrees and minutes packed as a = degrees x 100 + whole minutes, f = minute fraction x 10000.
double degrees(const uint8_t* p) {
  const int32_t a = bigEndian16(p);
  const int32_t f = bigEndian16(p + 2);
  const int32_t sign = a < 0 ? -1 : 1;
  return (a / 100) + ((a % 100) + sign * f / 10000.0) / 60.0;
}

double recordField(const uint8_t* d, uint32_t channel) {
  switch (channel) {
    case 0:
      return degrees(d);
    case 1:
      return degrees(d + 4);
    case 2:
      return d[8];
    case 3:
      return bigEndian16(d + 9);
    case 4:
      return static_cast<float>(raw::toSigned8(d[11])) + static_cast<float>(raw::toSigned8(d[12])) / 10.0f;
    case 5:
      return d[13];
    case 6:
      return static_cast<float>(raw::toSigned8(d[14])) / 10.0f;
    default:
      return (static_cast<uint32_t>(d[15]) << 16) | (static_cast<uint32_t>(d[16]) << 8) | d[17];
  }
}

// One past the last record byte that each channel's field needs.
constexpr uint32_t kRecordFieldEnd[ComDecoder::kRecordChannels] = {4, 8, 9, 11, 13, 14, 15, 18};

}  // namespace

void ComDecoder::decode(const uint8_t* data, int32_t mode, double* out) const {
  if (mode <= 0) return;
  if (mode <= 8) {
    SignalDecoder::decode(data, mode, out);
    return;
  }
  decodeRecord(data, out);
}

void ComDecoder::decodeRecord(const uint8_t* data, double* out) const {
  if (blockSize_ == 0) return;
  const uint32_t available = bytesPerBlock();
  const uint32_t channels = std::min(channels_, kRecordChannels);
  for (uint32_t channel = 0; channel < channels; ++channel) {
    if (kRecordFieldEnd[channel] <= available) out[channel * blockSize_] = recordField(data, channel);
  }
}

double ComDecoder::fromRaw(int32_t raw, uint32_t channel, int32_t) const {
  if (channel < 3) return raw * 0.000244140625;
  if (channel < 6) return raw * 0.030487804878048783;
  return raw * 0.5999880002399952;
}

void AnchDecoder::decode(const uint8_t* data, int32_t, double* out) const {
  const InputBytes in(data, bytesPerBlock());
  forEachValue([&](uint32_t channel, uint32_t index, std::size_t offset) {
    const uint16_t word = in.lowFirst16(offset);
    switch (channel) {
      case 0:
        out[index] = decodeHundredths(in, offset);
        break;
      case 1:
        out[index] = raw::toSigned16(word) * 0.001;
        break;
      case 2:
        out[index] = word * 1.0;
        break;
      default:
        out[index] = raw::toSigned16(word) * 1.0;
    }
  });
}

void AnchDecoder::encode(const double* in, int32_t, uint8_t* data) const {
  OutputBytes out(data, bytesPerBlock());
  forEachValue([&](uint32_t channel, uint32_t index, std::size_t offset) {
    const double value = in[index];
    if (channel == 0) {
      encodeHundredths(value, out, offset);
      return;
    }
    const double steps = channel == 1 ? value / 0.001 : value;
    out.putLowFirst16(offset, static_cast<uint16_t>(static_cast<uint64_t>(raw::floorToInt64(steps)) & 0xFFFFu));
  });
}

void PosDecoder::decode(const uint8_t* data, int32_t, double* out) const {
  const InputBytes in(data, bytesPerBlock());
  forEachValue([&](uint32_t, uint32_t index, std::size_t offset) { out[index] = decodeHundredths(in, offset); });
}

void PosDecoder::encode(const double* in, int32_t, uint8_t* data) const {
  OutputBytes out(data, bytesPerBlock());
  forEachValue([&](uint32_t, uint32_t index, std::size_t offset) { encodeHundredths(in[index], out, offset); });
}

void TsDecoder::decode(const uint8_t* data, int32_t, double* out) const {
  const InputBytes in(data, bytesPerBlock());
  forEachValue([&](uint32_t, uint32_t index, std::size_t offset) {
    const uint32_t count = (static_cast<uint32_t>(in[offset]) << 24) | (static_cast<uint32_t>(in[offset + 1]) << 16) |
                           (static_cast<uint32_t>(in[offset + 2]) << 8) | in[offset + 3];
    out[index] = count * 1708.98;
  });
}

}  // namespace zav

#include "signal/block_decoders.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <vector>

namespace zav {
namespace {

using Bytes = std::vector<uint8_t>;
using Values = std::vector<double>;
constexpr double kUntouched = -999.0;

Values decodeAll(const SignalDecoder& decoder, const Bytes& data, int32_t mode) {
  Values out(decoder.valuesPerBlock(), kUntouched);
  decoder.decode(data.data(), mode, out.data());
  return out;
}

Bytes encodeAll(const SignalDecoder& decoder, const Values& values, int32_t mode) {
  Bytes out(decoder.bytesPerBlock(), 0x5A);
  decoder.encode(values.data(), mode, out.data());
  return out;
}

// An 18-byte record: a = -1234, f = 5000 | a = 4512, f = -2500 | 3 | -7 | -3, 5 | 200 | -12 | 0x010203.
Bytes record() {
  return {0xFB, 0x2E, 0x13, 0x88, 0x11, 0xA0, 0xF6, 0x3C, 0x03,
          0xFF, 0xF9, 0xFD, 0x05, 0xC8, 0xF4, 0x01, 0x02, 0x03};
}

TEST(ComDecoder, PlainModesScaleByChannelGroup) {
  const auto decoder = makeDecoder("COM", 2, 7, 1);
  const Bytes data = {0x10, 0x00, 0, 1, 0, 2, 0, 82, 0, 1, 0, 1, 0, 5};
  const auto values = decodeAll(*decoder, data, 1);
  EXPECT_DOUBLE_EQ(values[0], 1.0);  // 4096 x 1/4096
  EXPECT_DOUBLE_EQ(values[3], 82 * 0.030487804878048783);
  EXPECT_DOUBLE_EQ(values[6], 5 * 0.5999880002399952);
  EXPECT_EQ(decodeAll(*decoder, data, 8), values);
  for (const int32_t off : {0, -3}) EXPECT_EQ(decodeAll(*decoder, data, off), Values(7, kUntouched));
  EXPECT_EQ(decoder->toRaw(-0.5, 0, 1), -1);  // the plain floor
}

TEST(ComDecoder, RecordModeFillsSampleZeroOfEightChannels) {
  const auto decoder = makeDecoder("COM", 1, 8, 3);  // 24 bytes: the record and 6 spare
  Bytes data = record();
  data.resize(24, 0x77);
  const auto values = decodeAll(*decoder, data, 9);
  EXPECT_DOUBLE_EQ(values[0], -(12 + (34 + 0.5) / 60.0));
  EXPECT_DOUBLE_EQ(values[3], 45 + (12 - 0.25) / 60.0);
  EXPECT_DOUBLE_EQ(values[6], 3.0);
  EXPECT_DOUBLE_EQ(values[9], -7.0);
  EXPECT_DOUBLE_EQ(values[12], static_cast<double>(-3.0f + 5.0f / 10.0f));
  EXPECT_DOUBLE_EQ(values[15], 200.0);
  EXPECT_DOUBLE_EQ(values[18], static_cast<double>(-12.0f / 10.0f));
  EXPECT_DOUBLE_EQ(values[21], 0x010203);
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_TRUE(i % 3 == 0 || values[i] == kUntouched) << i;
  EXPECT_EQ(decodeAll(*decoder, data, 200), values);
}

TEST(ComDecoder, RecordModeStaysInsideSmallSignals) {
  // 3 channels of one 2-byte sample: 6 bytes hold only the first field.
  const Bytes full = record();
  const Bytes six(full.begin(), full.begin() + 6);
  EXPECT_EQ(decodeAll(*makeDecoder("COM", 2, 3, 1), six, 9),
            (Values{-(12 + (34 + 0.5) / 60.0), kUntouched, kUntouched}));
  // 8 channels of 2 bytes: 16 bytes, everything but the last field.
  const Bytes sixteen(full.begin(), full.begin() + 16);
  const auto eight = decodeAll(*makeDecoder("COM", 2, 8, 1), sixteen, 9);
  EXPECT_DOUBLE_EQ(eight[6], static_cast<double>(-12.0f / 10.0f));
  EXPECT_EQ(eight[7], kUntouched);
  // More record than channels: only the channels the signal has.
  const auto two = decodeAll(*makeDecoder("COM", 9, 2, 1), full, 9);
  EXPECT_DOUBLE_EQ(two[1], 45 + (12 - 0.25) / 60.0);
  EXPECT_EQ(decodeAll(*makeDecoder("COM", 3, 5, 0), {}, 9).size(), 0u);
}

TEST(AnchDecoder, ChannelsHaveTheirOwnEncodings) {
  const auto decoder = makeDecoder("ANC", 2, 4, 1);
  const Values values = {12.5, -1.5, 40000.0, -1.0};
  const Bytes data = encodeAll(*decoder, values, 1);
  EXPECT_EQ(data, (Bytes{0x0C, 0x32, 0x24, 0xFA, 0x40, 0x9C, 0xFF, 0xFF}));
  EXPECT_EQ(decodeAll(*decoder, data, 1), values);
  // Wider slots keep the two bytes at the front and zero the rest.
  const auto wide = makeDecoder("ANC", 3, 4, 1);
  EXPECT_EQ(encodeAll(*wide, {1.25, 0.002, 7.0, -2.0}, 1),
            (Bytes{0x01, 0x19, 0, 0x02, 0x00, 0, 0x07, 0x00, 0, 0xFE, 0xFF, 0}));
}

TEST(PosDecoder, WholePartAndHundredths) {
  const auto decoder = makeDecoder("POS", 2, 2, 2);
  const Values values = {12.5, 0.25, 255.75, 3.0};
  const Bytes data = encodeAll(*decoder, values, 1);
  EXPECT_EQ(data, (Bytes{12, 50, 0, 25, 255, 75, 3, 0}));
  EXPECT_EQ(decodeAll(*decoder, data, 1), values);
}

TEST(TsDecoder, FourUnsignedBytes) {
  const auto decoder = makeDecoder("TS", 4, 1, 2);
  const auto values = decodeAll(*decoder, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0}, 1);
  EXPECT_DOUBLE_EQ(values[0], 4294967295.0 * 1708.98);
  EXPECT_DOUBLE_EQ(values[1], 256 * 1708.98);
  EXPECT_EQ(encodeAll(*decoder, {5.5, -1.0}, 1), (Bytes{0, 0, 0, 5, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(FixedWidthDecoders, NarrowSlotsNeverReachPastTheSignal) {
  // One byte per value while the format wants two (four for TS): the last value's missing
  // bytes read as 0 and are not written.
  const auto pos = makeDecoder("POS", 1, 1, 2);
  EXPECT_EQ(decodeAll(*pos, {12, 50}, 1), (Values{12.5, 50.0}));
  EXPECT_EQ(encodeAll(*pos, {12.5, 3.0}, 1), (Bytes{12, 3}));
  const auto ts = makeDecoder("TS", 2, 1, 1);
  EXPECT_DOUBLE_EQ(decodeAll(*ts, {0, 1}, 1)[0], 65536 * 1708.98);
  const auto anc = makeDecoder("ANC", 1, 2, 1);
  EXPECT_EQ(decodeAll(*anc, {1, 0xE8}, 1), (Values{(100.0 + 0xE8) * 0.01, 0xE8 * 0.001}));
}

// Every decoder on every odd shape: exact-size buffers, so the sanitizer build sees any
// byte read or written outside the signal's own data and values, and values no device can
// carry, so that it sees any shift or conversion out of range.
TEST(AllDecoders, StayInsideTheirDataForAnyShapeAndValue) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double extremes[] = {nan, inf,  -inf, 1e300, -1e300, -0.0, 1e19, -1e19, 4e9, -4e9,
                             7e4, -7e4, 0.5,  0.0,   1.0,    -1.0, 2.0,  3.0,   1.5};
  const std::size_t kinds = std::size(extremes);
  const char* types[] = {"ACC", "ANC", "COM", "DIN", "DOUT",  "EEG", "ExG_A", "ExG_B", "FLOT",
                         "FOT", "GEN", "GSR", "IMU", "IMU_B", "TS",  "POS",   "BVP"};
  for (const char* type : types) {
    for (const uint32_t bytes : {0u, 1u, 2u, 3u, 4u, 5u, 9u}) {
      for (const uint32_t channels : {0u, 1u, 3u, 7u, 8u, 9u}) {
        for (const uint32_t blockSize : {0u, 1u, 2u, 5u}) {
          const auto decoder = makeDecoder(type, bytes, channels, blockSize);
          for (const int32_t mode : {-1, 0, 1, 2, 8, 9, 12}) {
            std::vector<uint8_t> data(decoder->bytesPerBlock(), 0xAA);
            Values values(decoder->valuesPerBlock());
            decoder->decode(data.data(), mode, values.data());
            for (std::size_t i = 0; i < values.size(); ++i) values[i] = extremes[(i + bytes) % kinds];
            decoder->encode(values.data(), mode, data.data());
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace zav

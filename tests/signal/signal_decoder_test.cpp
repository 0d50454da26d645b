#include "signal/signal_decoder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <vector>

namespace zav {
namespace {

using Bytes = std::vector<uint8_t>;
using Values = std::vector<double>;
constexpr double kUntouched = -999.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

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

TEST(MakeDecoder, OnlyExactTypeCodesGetTheirDecoderOthersThePlainInteger) {
  EXPECT_EQ(decodeAll(*makeDecoder("DOUT", 1, 1, 2), {0x80, 0}, 1), (Values{1, 0}));
  for (const char* type : {"BVP", "EEGX", "eeg", "IMU_BB", ""})
    EXPECT_EQ(decodeAll(*makeDecoder(type, 1, 1, 2), {0x80, 0x05}, 1), (Values{-128, 5})) << type;
}

// Big-endian two's complement, channel-major (two-channel BVP: channel c, sample s holds c * 10 + s); ACC's
// step, a power of two, round-trips exactly. Wider than four bytes: the last four, the sign in front.
TEST(SignalDecoder, DecodesAndEncodesBlocksBothWays) {
  const struct {
    const char* type;
    uint32_t bytes, channels, blockSize;
    Values values;
    Bytes data;
  } blocks[] = {
      {"BVP", 1, 1, 3, {127, -128, -1}, {0x7F, 0x80, 0xFF}},
      {"BVP", 2, 1, 2, {0x1234, -2}, {0x12, 0x34, 0xFF, 0xFE}},
      {"BVP", 4, 1, 2, {-2147483648.0, 2147483647.0}, {0x80, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}},
      {"BVP", 10, 1, 1, {-2.0}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}},
      {"BVP", 2, 2, 3, {0, 1, 2, 10, 11, 12}, {0, 0, 0, 1, 0, 2, 0, 10, 0, 11, 0, 12}},
      {"BVP", 0, 2, 2, {0, 0, 0, 0}, {}},  // no bytes per value: raw 0, nothing read or written
      {"ANC", 2, 4, 1, {12.5, -1.5, 40000.0, -1.0}, {0x0C, 0x32, 0x24, 0xFA, 0x40, 0x9C, 0xFF, 0xFF}},
      {"POS", 2, 2, 2, {12.5, 0.25, 255.75, 3.0}, {12, 50, 0, 25, 255, 75, 3, 0}},
      {"ACC", 2, 3, 1, {32767 / 128.0, -256.0, 1 / 128.0}, {0x7F, 0xFF, 0x80, 0x00, 0x00, 0x01}}};
  for (const auto& block : blocks) {
    const auto decoder = makeDecoder(block.type, block.bytes, block.channels, block.blockSize);
    EXPECT_EQ(decodeAll(*decoder, block.data, 1), block.values) << block.type << " of " << block.bytes;
    EXPECT_EQ(encodeAll(*decoder, block.values, 1), block.data) << block.type << " of " << block.bytes;
  }
  EXPECT_EQ(
      decodeAll(*makeDecoder("BVP", 6, 1, 2), {0x12, 0x34, 0, 0, 0, 5, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 1),
      (Values{5, -1}));
  EXPECT_EQ(encodeAll(*makeDecoder("BVP", 3, 1, 3), {-1.0, 1.9, -1.5}, 1),  // the floor's low bytes
            (Bytes{0xFF, 0xFF, 0xFF, 0, 0, 1, 0xFF, 0xFF, 0xFE}));
}

TEST(SignalDecoder, ToRawSaturatesInsteadOfOverflowing) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  for (const char* type : {"BVP", "EEG"}) {
    const auto decoder = makeDecoder(type, 3, 1, 1);
    EXPECT_EQ(decoder->toRaw(kNaN, 0, 1), 0) << type;
    EXPECT_EQ(decoder->toRaw(1e300, 0, 1), kMax) << type;
    EXPECT_EQ(decoder->toRaw(-kInf, 0, 1), kMin) << type;
  }
  const auto flot = makeDecoder("FLOT", 4, 1, 1);
  EXPECT_EQ(flot->toRaw(1e300, 0, 2) % 4, 0);
  EXPECT_GT(flot->toRaw(1e300, 0, 2), 0);
  EXPECT_LT(flot->toRaw(-1e300, 0, 2), 0);
  EXPECT_EQ(makeDecoder("IMU", 2, 9, 1)->toRaw(-1e300, 8, 2), kMin);
  const int64_t nearPole = makeDecoder("GSR", 2, 1, 1)->toRaw(-1.0 / 6490000.0, 0, 1);  // about 3.3 / 0
  EXPECT_TRUE(nearPole == kMax || nearPole == kMin);
}

TEST(ScaleDecoders, StepsOfOneRawUnitThreeByteExtremesAndEncodingTowardZero) {
  const struct {
    const char* type;
    double step;
  } steps[] = {{"ACC", 0.0078125},   {"EEG", 0.0121677}, {"ExG_A", 0.0526447},
               {"ExG_B", 0.0493545}, {"GEN", 0.312710},  {"FOT", 3225.81}};
  for (const auto& [type, step] : steps) {
    const auto decoder = makeDecoder(type, 3, 3, 1);
    const double resolution = decoder->resolution(0, 1);
    EXPECT_NEAR(resolution, step, step * 2e-6) << type;
    EXPECT_EQ(decodeAll(*decoder, {0x7F, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF}, 1),
              (Values{8388607 * resolution, -8388608 * resolution, -resolution}))
        << type;
    for (const int64_t raw : {0, 1, 2, 1000, 8388607}) {
      EXPECT_EQ(decoder->toRaw((raw + 0.5) * resolution, 0, 1), raw) << type;
      EXPECT_EQ(decoder->toRaw((-raw - 0.5) * resolution, 0, 1), -raw) << type;
    }
  }
}

TEST(ValueDecoders, ConvertByTypeChannelAndMode) {
  struct Conversion {
    const char* type;
    uint32_t channel;
    int32_t mode, raw;
    double value;
  };
  // FLOT modes other than 1 shift raw right by 2 (-5 gives -2); IMU modes 1 and 2 scale by channel group
  // (2 spares channels 0 and 1), others not at all; IMU_B ignores the mode.
  const Conversion decoded[] = {
      {"FLOT", 0, 1, 128, 1.0},         {"FLOT", 0, 2, -5, -2 * 0.03125},
      {"FLOT", 0, 0, -5, -2 * 0.03125}, {"FLOT", 0, 3, 7, 0.03125},
      {"GSR", 0, 1, 0, 33.0},           {"GSR", 0, 1, 8000, (3.3 - 1.0) / 6490000.0},
      {"IMU", 2, 1, 900, 1.0},          {"IMU", 3, 1, 16, 1.0},
      {"IMU", 6, 1, 100, 1.0},          {"IMU", 1, 2, 100, 100.0},
      {"IMU", 2, 2, 100, 1.0},          {"IMU", 5, 2, 16384, 1.0},
      {"IMU", 7, 3, 123, 123.0},        {"IMU_B", 0, 0, 418, 418 / 417.95918367346934},
      {"IMU_B", 5, 1, 328, 10.0},       {"IMU_B", 6, 2, 3, 3 / 1.6667}};
  // Digital lines are set by any value not near 0 (NaN too); FLOT mode 2 encodes trunc(value x 32) x 4.
  const Conversion encoded[] = {
      {"DIN", 0, 1, 0, 0.0},     {"DIN", 0, 1, 0, 5e-7},   {"DIN", 0, 1, 1, -1e-6},
      {"DIN", 0, 1, 1, kNaN},    {"FLOT", 0, 1, 128, 1.0}, {"FLOT", 0, 1, -128, -1.0},
      {"FLOT", 0, 2, 128, 1.0},  {"FLOT", 0, 2, 4, 0.05},  {"IMU", 0, 1, 900, 1.0},
      {"IMU", 8, 2, 16384, 1.0}, {"IMU", 4, 7, -2, -2.5},  {"IMU_B", 3, 1, 328, 10.0}};
  for (const Conversion& c : decoded) {
    EXPECT_DOUBLE_EQ(makeDecoder(c.type, 2, 9, 1)->fromRaw(c.raw, c.channel, c.mode), c.value)
        << c.type << " channel " << c.channel << " mode " << c.mode << " raw " << c.raw;
  }
  for (const Conversion& c : encoded) {
    EXPECT_EQ(makeDecoder(c.type, 2, 9, 1)->toRaw(c.value, c.channel, c.mode), c.raw)
        << c.type << " channel " << c.channel << " mode " << c.mode << " value " << c.value;
  }
  EXPECT_EQ(decodeAll(*makeDecoder("DIN", 1, 1, 4), {0, 1, 0x80, 0xFF}, 1), (Values{0, 1, 1, 1}));
  const auto gsr = makeDecoder("GSR", 2, 1, 1);
  EXPECT_NEAR(static_cast<double>(gsr->toRaw(gsr->fromRaw(8000, 0, 1), 0, 1)), 8000.0, 1.0);
}

// An 18-byte record (a = -1234, f = 5000 | a = 4512, f = -2500 | 3 | -7 | -3, 5 | 200 | -12 | 0x010203)
// and its fields: a / 100 + (a % 100 + f / 10000) / 60 degrees twice, then bytes and tenths as floats.
const Bytes kRecord = {0xFB, 0x2E, 0x13, 0x88, 0x11, 0xA0, 0xF6, 0x3C, 0x03,
                       0xFF, 0xF9, 0xFD, 0x05, 0xC8, 0xF4, 0x01, 0x02, 0x03};
const double kRecordFields[] = {-12.575, 45.195833333333333, 3.0, -7.0, -2.5, 200.0, -1.2f, 0x010203};

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

TEST(ComDecoder, RecordModeFillsSampleZeroOfEachChannelAndStaysInsideSmallSignals) {
  const auto decoder = makeDecoder("COM", 1, 8, 3);  // 24 bytes: the record and 6 spare
  Bytes data = kRecord;
  data.resize(24, 0x77);
  const auto values = decodeAll(*decoder, data, 9);
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_DOUBLE_EQ(values[i], i % 3 == 0 ? kRecordFields[i / 3] : kUntouched) << i;
  EXPECT_EQ(decodeAll(*decoder, data, 200), values);
  // Smaller signals get the fields that fit (6 bytes the first, 16 all but the last), fewer channels theirs.
  EXPECT_EQ(decodeAll(*makeDecoder("COM", 2, 3, 1), Bytes(kRecord.begin(), kRecord.begin() + 6), 9),
            (Values{kRecordFields[0], kUntouched, kUntouched}));
  const auto eight = decodeAll(*makeDecoder("COM", 2, 8, 1), Bytes(kRecord.begin(), kRecord.begin() + 16), 9);
  EXPECT_DOUBLE_EQ(eight[6], kRecordFields[6]);
  EXPECT_EQ(eight[7], kUntouched);
  EXPECT_DOUBLE_EQ(decodeAll(*makeDecoder("COM", 9, 2, 1), kRecord, 9)[1], kRecordFields[1]);
}

TEST(FixedWidthDecoders, TsReadsFourUnsignedBytesAndSlotsOfAnotherWidthNeverReachPastTheSignal) {
  const auto ts = makeDecoder("TS", 4, 1, 2);
  EXPECT_EQ(decodeAll(*ts, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0}, 1),
            (Values{4294967295.0 * 1708.98, 256 * 1708.98}));
  EXPECT_EQ(encodeAll(*ts, {5.5, -1.0}, 1), (Bytes{0, 0, 0, 5, 0xFF, 0xFF, 0xFF, 0xFF}));
  // One byte per value where the format wants two (TS four): the missing bytes read as 0, are not written.
  const auto pos = makeDecoder("POS", 1, 1, 2);
  EXPECT_EQ(decodeAll(*pos, {12, 50}, 1), (Values{12.5, 50.0}));
  EXPECT_EQ(encodeAll(*pos, {12.5, 3.0}, 1), (Bytes{12, 3}));
  EXPECT_DOUBLE_EQ(decodeAll(*makeDecoder("TS", 2, 1, 1), {0, 1}, 1)[0], 65536 * 1708.98);
  const auto anc = makeDecoder("ANC", 1, 2, 1);
  EXPECT_EQ(decodeAll(*anc, {1, 0xE8}, 1), (Values{(100.0 + 0xE8) * 0.01, 0xE8 * 0.001}));
  // Wider slots keep the two bytes at the front and zero the rest.
  EXPECT_EQ(encodeAll(*makeDecoder("ANC", 3, 4, 1), {1.25, 0.002, 7.0, -2.0}, 1),
            (Bytes{0x01, 0x19, 0, 0x02, 0x00, 0, 0x07, 0x00, 0, 0xFE, 0xFF, 0}));
}

// Every decoder, odd shapes, exact-size buffers, impossible values: sanitizers see overruns and bad shifts.
TEST(AllDecoders, StayInsideTheirDataForAnyShapeAndValue) {
  const double extremes[] = {kNaN, kInf, -kInf, 1e300, -1e300, -0.0, 1e19, -1e19, 4e9, -4e9,
                             7e4,  -7e4, 0.5,   0.0,   1.0,    -1.0, 2.0,  3.0,   1.5};
  const char* types[] = {"ACC", "ANC", "COM", "DIN", "DOUT",  "EEG", "ExG_A", "ExG_B", "FLOT",
                         "FOT", "GEN", "GSR", "IMU", "IMU_B", "TS",  "POS",   "BVP"};
  for (const char* type : types) {
    for (const uint32_t bytes : {0u, 1u, 2u, 3u, 4u, 5u, 9u}) {
      for (const uint32_t channels : {0u, 1u, 3u, 7u, 8u, 9u}) {
        for (const uint32_t blockSize : {0u, 1u, 2u, 5u}) {
          const auto decoder = makeDecoder(type, bytes, channels, blockSize);
          for (const int32_t mode : {-1, 0, 1, 2, 8, 9, 12}) {
            Bytes data(decoder->bytesPerBlock(), 0xAA);
            Values values(decoder->valuesPerBlock());
            decoder->decode(data.data(), mode, values.data());
            for (std::size_t i = 0; i < values.size(); ++i)
              values[i] = extremes[(i + bytes) % std::size(extremes)];
            decoder->encode(values.data(), mode, data.data());
          }
        }
      }
    }
  }
  const auto huge = makeDecoder("EEG", 4, 0x10000, 0x10000);  // too large to hold: empty
  EXPECT_EQ(huge->valuesPerBlock(), 0u);
  EXPECT_EQ(huge->bytesPerBlock(), 0u);
  const auto wide = makeDecoder("BVP", 0x80000000u, 1, 1);
  EXPECT_EQ(wide->bytesPerBlock(), 0u);
  huge->decode(nullptr, 1, nullptr);
  wide->encode(nullptr, 1, nullptr);
}

}  // namespace
}  // namespace zav

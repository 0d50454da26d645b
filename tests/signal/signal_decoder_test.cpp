#include "signal/signal_decoder.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace zav {
namespace {

using Bytes = std::vector<uint8_t>;
using Values = std::vector<double>;

Values decodeAll(const SignalDecoder& decoder, const Bytes& data, int32_t mode) {
  Values out(decoder.valuesPerBlock(), -999.0);
  decoder.decode(data.data(), mode, out.data());
  return out;
}

Bytes encodeAll(const SignalDecoder& decoder, const Values& values, int32_t mode) {
  Bytes out(decoder.bytesPerBlock(), 0x5A);
  decoder.encode(values.data(), mode, out.data());
  return out;
}

// The other type codes show their own decoders in the scale and value tests below.
TEST(MakeDecoder, OnlyExactTypeCodesGetTheirDecoderOthersThePlainInteger) {
  EXPECT_EQ(decodeAll(*makeDecoder("DOUT", 1, 1, 2), {0x80, 0}, 1), (Values{1, 0}));
  for (const char* type : {"BVP", "EEGX", "eeg", "IMU_BB", ""}) {
    EXPECT_EQ(decodeAll(*makeDecoder(type, 1, 1, 2), {0x80, 0x05}, 1), (Values{-128, 5})) << type;
  }
  const auto eeg = makeDecoder("EEG", 3, 32, 8);
  EXPECT_EQ(eeg->valuesPerBlock(), 256u);
  EXPECT_EQ(eeg->bytesPerBlock(), 768u);
}

TEST(SignalDecoder, ReadsBigEndianTwosComplementOfEveryWidth) {
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 1, 1, 3), {0x7F, 0x80, 0xFF}, 1), (Values{127, -128, -1}));
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 2, 1, 2), {0x12, 0x34, 0xFF, 0xFE}, 1), (Values{0x1234, -2}));
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 4, 1, 2), {0x80, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}, 1),
            (Values{-2147483648.0, 2147483647.0}));
  // Wider values keep their last four bytes.
  EXPECT_EQ(
      decodeAll(*makeDecoder("BVP", 6, 1, 2), {0x12, 0x34, 0, 0, 0, 5, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 1),
      (Values{5, -1}));
  // No bytes per value: every value reads raw 0 and nothing is read.
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 0, 2, 2), {}, 1), Values(4, 0.0));
}

TEST(SignalDecoder, LaysValuesOutChannelMajor) {
  // Two channels of three 16-bit samples: the value of channel c, sample s is c * 10 + s.
  const Bytes data = {0, 0, 0, 1, 0, 2, 0, 10, 0, 11, 0, 12};
  const auto decoder = makeDecoder("BVP", 2, 2, 3);
  EXPECT_EQ(decodeAll(*decoder, data, 1), (Values{0, 1, 2, 10, 11, 12}));
  EXPECT_EQ(encodeAll(*decoder, {0, 1, 2, 10, 11, 12}, 1), data);
}

TEST(SignalDecoder, EncodesTheLowBytesOfTheFlooredValue) {
  const auto decoder = makeDecoder("BVP", 3, 1, 3);
  EXPECT_EQ(encodeAll(*decoder, {-1.0, 1.9, -1.5}, 1), (Bytes{0xFF, 0xFF, 0xFF, 0, 0, 1, 0xFF, 0xFF, 0xFE}));
  // Wider than eight bytes: the sign fills the front.
  Bytes wide(10, 0xFF);
  wide[9] = 0xFE;
  EXPECT_EQ(encodeAll(*makeDecoder("BVP", 10, 1, 1), {-2.0}, 1), wide);
}

TEST(SignalDecoder, ToRawSaturatesInsteadOfOverflowing) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const char* type : {"BVP", "EEG"}) {
    const auto decoder = makeDecoder(type, 3, 1, 1);
    EXPECT_EQ(decoder->toRaw(nan, 0, 1), 0) << type;
    EXPECT_EQ(decoder->toRaw(1e300, 0, 1), kMax) << type;
    EXPECT_EQ(decoder->toRaw(-inf, 0, 1), kMin) << type;
  }
  EXPECT_EQ(makeDecoder("BVP", 4, 1, 1)->toRaw(inf, 0, 1), kMax);
  const auto flot = makeDecoder("FLOT", 4, 1, 1);
  EXPECT_EQ(flot->toRaw(1e300, 0, 2) % 4, 0);
  EXPECT_GT(flot->toRaw(1e300, 0, 2), 0);
  EXPECT_LT(flot->toRaw(-1e300, 0, 2), 0);
  EXPECT_EQ(makeDecoder("IMU", 2, 9, 1)->toRaw(-1e300, 8, 2), kMin);
  const int64_t nearPole = makeDecoder("GSR", 2, 1, 1)->toRaw(-1.0 / 6490000.0, 0, 1);  // about 3.3 / 0
  EXPECT_TRUE(nearPole == kMax || nearPole == kMin);
}

TEST(SignalDecoder, OversizedShapesAreEmpty) {
  const auto decoder = makeDecoder("EEG", 4, 0x10000, 0x10000);
  EXPECT_EQ(decoder->valuesPerBlock(), 0u);
  EXPECT_EQ(decoder->bytesPerBlock(), 0u);
  const auto wide = makeDecoder("BVP", 0x80000000u, 1, 1);
  EXPECT_EQ(wide->bytesPerBlock(), 0u);
  decoder->decode(nullptr, 1, nullptr);
  wide->encode(nullptr, 1, nullptr);
}

TEST(ScaleDecoders, StepsOfOneRawUnitAndThreeByteExtremes) {
  const struct {
    const char* type;
    double step;
  } steps[] = {{"ACC", 0.0078125},   {"EEG", 0.0121677}, {"ExG_A", 0.0526447},
               {"ExG_B", 0.0493545}, {"GEN", 0.312710},  {"FOT", 3225.81}};
  for (const auto& [type, step] : steps) {
    const auto decoder = makeDecoder(type, 3, 3, 1);
    EXPECT_NEAR(decoder->resolution(0, 1), step, step * 2e-6) << type;
    const Values values = decodeAll(*decoder, {0x7F, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF}, 1);
    const double raws[] = {8388607, -8388608, -1};
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(values[i], raws[i] * decoder->resolution(0, 1)) << type;
  }
}

TEST(ScaleDecoders, EncodeTruncatesTowardZero) {
  for (const char* type : {"EEG", "ExG_A", "ExG_B", "GEN", "FOT", "ACC"}) {
    const auto decoder = makeDecoder(type, 3, 1, 1);
    const double step = decoder->resolution(0, 1);
    for (const int64_t raw : {0, 1, 2, 1000, 8388607}) {
      EXPECT_EQ(decoder->toRaw((raw + 0.5) * step, 0, 1), raw) << type;
      EXPECT_EQ(decoder->toRaw((-raw - 0.5) * step, 0, 1), -raw) << type;
    }
  }
  // The accelerometer's step is a power of two, so its values survive a round trip exactly.
  const auto acc = makeDecoder("ACC", 2, 3, 1);
  const Bytes data = {0x7F, 0xFF, 0x80, 0x00, 0x00, 0x01};
  EXPECT_EQ(encodeAll(*acc, decodeAll(*acc, data, 1), 1), data);
}

TEST(ValueDecoders, DigitalLines) {
  const auto decoder = makeDecoder("DIN", 1, 1, 4);
  EXPECT_EQ(decodeAll(*decoder, {0, 1, 0x80, 0xFF}, 1), (Values{0, 1, 1, 1}));
  EXPECT_EQ(decoder->toRaw(0.0, 0, 1), 0);
  EXPECT_EQ(decoder->toRaw(5e-7, 0, 1), 0);
  EXPECT_EQ(decoder->toRaw(-1e-6, 0, 1), 1);
  EXPECT_EQ(decoder->toRaw(std::numeric_limits<double>::quiet_NaN(), 0, 1), 1);
}

TEST(ValueDecoders, FloatModes) {
  const auto decoder = makeDecoder("FLOT", 4, 1, 1);
  EXPECT_DOUBLE_EQ(decoder->fromRaw(128, 0, 1), 1.0);
  EXPECT_DOUBLE_EQ(decoder->fromRaw(-5, 0, 2), -2 * 0.03125);  // arithmetic shift of -5 by 2
  EXPECT_DOUBLE_EQ(decoder->fromRaw(-5, 0, 0), -2 * 0.03125);
  EXPECT_DOUBLE_EQ(decoder->fromRaw(7, 0, 3), 1 * 0.03125);
  EXPECT_EQ(decoder->toRaw(1.0, 0, 1), 128);
  EXPECT_EQ(decoder->toRaw(-1.0, 0, 1), -128);
  EXPECT_EQ(decoder->toRaw(1.0, 0, 2), 128);
  EXPECT_EQ(decoder->toRaw(0.05, 0, 2), 4);  // trunc(1.6) x 4
}

TEST(ValueDecoders, GalvanicSkinResponse) {
  const auto decoder = makeDecoder("GSR", 2, 1, 1);
  EXPECT_DOUBLE_EQ(decoder->fromRaw(0, 0, 1), 33.0);
  const double conductance = (3.3 - 1.0) / (1.0 * 6490000.0);
  EXPECT_DOUBLE_EQ(decoder->fromRaw(8000, 0, 1), conductance);
  EXPECT_NEAR(static_cast<double>(decoder->toRaw(conductance, 0, 1)), 8000.0, 1.0);
}

TEST(ValueDecoders, InertialUnitScalesByModeAndChannel) {
  const auto imu = makeDecoder("IMU", 2, 9, 1);
  EXPECT_DOUBLE_EQ(imu->fromRaw(900, 2, 1), 1.0);
  EXPECT_DOUBLE_EQ(imu->fromRaw(16, 3, 1), 1.0);
  EXPECT_DOUBLE_EQ(imu->fromRaw(100, 6, 1), 1.0);
  EXPECT_DOUBLE_EQ(imu->fromRaw(100, 1, 2), 100.0);  // unscaled
  EXPECT_DOUBLE_EQ(imu->fromRaw(100, 2, 2), 1.0);
  EXPECT_DOUBLE_EQ(imu->fromRaw(16384, 5, 2), 1.0);
  EXPECT_DOUBLE_EQ(imu->fromRaw(123, 7, 3), 123.0);
  EXPECT_EQ(imu->toRaw(1.0, 0, 1), 900);
  EXPECT_EQ(imu->toRaw(1.0, 8, 2), 16384);
  EXPECT_EQ(imu->toRaw(-2.5, 4, 7), -2);

  const auto imuB = makeDecoder("IMU_B", 2, 9, 1);
  for (const int32_t mode : {0, 1, 2}) {
    EXPECT_DOUBLE_EQ(imuB->fromRaw(418, 0, mode), 418 / 417.95918367346934);
    EXPECT_DOUBLE_EQ(imuB->fromRaw(328, 5, mode), 10.0);
    EXPECT_DOUBLE_EQ(imuB->fromRaw(3, 6, mode), 3 / 1.6667);
  }
  EXPECT_EQ(imuB->toRaw(10.0, 3, 1), 328);
}

}  // namespace
}  // namespace zav

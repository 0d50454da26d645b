#include "signal/signal_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "signal/block_decoders.h"
#include "signal/scale_decoders.h"
#include "signal/value_decoders.h"

namespace zav {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<double> decodeAll(const SignalDecoder& decoder, const Bytes& data, int32_t mode) {
  std::vector<double> out(decoder.valuesPerBlock(), -999.0);
  decoder.decode(data.data(), mode, out.data());
  return out;
}

Bytes encodeAll(const SignalDecoder& decoder, const std::vector<double>& values, int32_t mode) {
  Bytes out(decoder.bytesPerBlock(), 0x5A);
  decoder.encode(values.data(), mode, out.data());
  return out;
}

template <typename Expected>
bool builds(const std::string& type) {
  const auto decoder = makeDecoder(type, 2, 1, 1);
  return decoder && typeid(*decoder) == typeid(Expected);
}

TEST(MakeDecoder, ChoosesTheClassByExactTypeCode) {
  EXPECT_TRUE(builds<AccDecoder>("ACC"));
  EXPECT_TRUE(builds<AnchDecoder>("ANC"));
  EXPECT_TRUE(builds<ComDecoder>("COM"));
  EXPECT_TRUE(builds<DigitalDecoder>("DIN"));
  EXPECT_TRUE(builds<DigitalDecoder>("DOUT"));
  EXPECT_TRUE(builds<EegDecoder>("EEG"));
  EXPECT_TRUE(builds<ExgaDecoder>("ExG_A"));
  EXPECT_TRUE(builds<ExgbDecoder>("ExG_B"));
  EXPECT_TRUE(builds<FloatDecoder>("FLOT"));
  EXPECT_TRUE(builds<FotDecoder>("FOT"));
  EXPECT_TRUE(builds<GenDecoder>("GEN"));
  EXPECT_TRUE(builds<GsrDecoder>("GSR"));
  EXPECT_TRUE(builds<ImuDecoder>("IMU"));
  EXPECT_TRUE(builds<ImuBDecoder>("IMU_B"));
  EXPECT_TRUE(builds<TsDecoder>("TS"));
  EXPECT_TRUE(builds<PosDecoder>("POS"));
  // Unknown codes, other case and longer codes all get the plain integer decoder.
  EXPECT_TRUE(builds<SignalDecoder>("BVP"));
  EXPECT_TRUE(builds<SignalDecoder>("EEGX"));
  EXPECT_TRUE(builds<SignalDecoder>("eeg"));
  EXPECT_TRUE(builds<SignalDecoder>("IMU_BB"));
  EXPECT_TRUE(builds<SignalDecoder>(""));

  const auto eeg = makeDecoder("EEG", 3, 32, 8);
  EXPECT_EQ(eeg->valuesPerBlock(), 256u);
  EXPECT_EQ(eeg->bytesPerBlock(), 768u);
}

TEST(SignalDecoder, ReadsBigEndianTwosComplementOfEveryWidth) {
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 1, 1, 3), {0x7F, 0x80, 0xFF}, 1), (std::vector<double>{127, -128, -1}));
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 2, 1, 2), {0x12, 0x34, 0xFF, 0xFE}, 1),
            (std::vector<double>{0x1234, -2}));
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 4, 1, 2), {0x80, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}, 1),
            (std::vector<double>{-2147483648.0, 2147483647.0}));
  // Wider values keep their last four bytes.
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 6, 1, 2), {0x12, 0x34, 0, 0, 0, 5, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 1),
            (std::vector<double>{5, -1}));
  // No bytes per value: every value reads raw 0 and nothing is read.
  EXPECT_EQ(decodeAll(*makeDecoder("BVP", 0, 2, 2), {}, 1), (std::vector<double>(4, 0.0)));
}

TEST(SignalDecoder, LaysValuesOutChannelMajor) {
  // Two channels of three 16-bit samples: the value of channel c, sample s is c * 10 + s.
  const Bytes data = {0, 0, 0, 1, 0, 2, 0, 10, 0, 11, 0, 12};
  const auto decoder = makeDecoder("BVP", 2, 2, 3);
  EXPECT_EQ(decodeAll(*decoder, data, 1), (std::vector<double>{0, 1, 2, 10, 11, 12}));
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
  const auto plain = makeDecoder("BVP", 4, 1, 1);
  EXPECT_EQ(plain->toRaw(nan, 0, 1), 0);
  EXPECT_EQ(plain->toRaw(inf, 0, 1), kMax);
  EXPECT_EQ(plain->toRaw(-inf, 0, 1), kMin);
  EXPECT_EQ(plain->toRaw(1e300, 0, 1), kMax);
  const auto eeg = makeDecoder("EEG", 3, 1, 1);
  EXPECT_EQ(eeg->toRaw(1e300, 0, 1), kMax);
  EXPECT_EQ(eeg->toRaw(-inf, 0, 1), kMin);
  EXPECT_EQ(eeg->toRaw(nan, 0, 1), 0);
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

TEST(ScaleDecoders, StepsOfOneRawUnit) {
  EXPECT_DOUBLE_EQ(makeDecoder("ACC", 2, 1, 1)->resolution(0, 1), 0.0078125);
  EXPECT_NEAR(makeDecoder("EEG", 3, 1, 1)->resolution(0, 1), 0.0121677, 1e-7);
  EXPECT_NEAR(makeDecoder("ExG_A", 3, 1, 1)->resolution(0, 1), 0.0526447, 1e-7);
  EXPECT_NEAR(makeDecoder("ExG_B", 3, 1, 1)->resolution(0, 1), 0.0493545, 1e-7);
  EXPECT_NEAR(makeDecoder("GEN", 3, 1, 1)->resolution(0, 1), 0.312710, 1e-6);
  EXPECT_NEAR(makeDecoder("FOT", 2, 1, 1)->resolution(0, 1), 3225.81, 1e-2);
}

TEST(ScaleDecoders, EegThreeByteExtremes) {
  const double step = 0.9837 * 1.2369316684905967e-08 * 1000000.0;
  const auto decoder = makeDecoder("EEG", 3, 3, 1);
  const auto values = decodeAll(*decoder, {0x7F, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF}, 1);
  EXPECT_DOUBLE_EQ(values[0], 8388607 * step);
  EXPECT_DOUBLE_EQ(values[1], -8388608 * step);
  EXPECT_DOUBLE_EQ(values[2], -step);
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
  EXPECT_EQ(decodeAll(*decoder, {0, 1, 0x80, 0xFF}, 1), (std::vector<double>{0, 1, 1, 1}));
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

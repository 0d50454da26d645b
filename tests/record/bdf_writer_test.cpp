// The BDF+ writer's channels and refusals; annotations and record counts: the round trip through MNE.
#include "record/bdf_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "record/bdf_channels.h"
#include "signal/block_layout.h"
#include "support/temp_folder.h"

namespace zav::test {
namespace {

double readBack(const BdfChannel& channel, int32_t digital) {
  const double step = (channel.physicalMax - channel.physicalMin) /
                      (static_cast<double>(channel.digitalMax) - channel.digitalMin);
  return (digital - static_cast<double>(channel.digitalMin)) * step + channel.physicalMin;
}

TEST(BdfChannels, HoldEveryValueTheBlockBytesDecodeToWithinHalfAStep) {
  // Every decoder kind whose range fits 8 header characters (not TS, 2-byte FOT, nor wide integers).
  const SignalList signals = {{"EEG", 2, 3, 2, 1},  {"ExG_A", 1, 3, 2, 1}, {"GEN", 1, 2, 2, 1},
                              {"FOT", 1, 1, 1, 1},  {"ACC", 3, 2, 1, 1},   {"DIN", 3, 1, 2, 1},
                              {"GSR", 1, 2, 2, 1},  {"BVP", 1, 3, 1, 1},   {"IMU", 9, 2, 1, 1},
                              {"IMU", 9, 2, 1, 2},  {"IMU_B", 9, 2, 1, 1}, {"FLOT", 2, 3, 1, 1},
                              {"FLOT", 2, 3, 1, 2}, {"ANC", 4, 2, 1, 1},   {"POS", 2, 2, 1, 1},
                              {"COM", 9, 2, 1, 1},  {"COM", 8, 3, 1, 9},   {"IMU_B", 3, 4, 1, 1}};
  const BlockLayout layout(signals);
  const std::vector<BdfChannel> channels = bdfChannels(signals, ElectrodeLayout{});
  std::mt19937 random(7);
  std::vector<uint8_t> payload(layout.payloadBytes());
  std::vector<double> values(layout.valueCount());
  for (int round = 0; round < 300; ++round) {
    for (uint8_t& byte : payload) byte = static_cast<uint8_t>(random());
    if (round < 2) std::fill(payload.begin(), payload.end(), round == 0 ? 0x80 : 0x7F);  // the extremes
    layout.decodePayload(payload.data(), values.data());
    for (const BdfChannel& channel : channels) {
      const double step = readBack(channel, 1) - readBack(channel, 0);
      for (uint32_t s = 0; s < channel.samplesPerBlock; ++s) {
        const double value = values[channel.valueIndex + s];
        ASSERT_NEAR(readBack(channel, channel.toDigital(value)), value, step / 2 * (1 + 1e-9))
            << channel.label;
      }
    }
  }
  // Narrow samples keep their own digital range; 4-byte ones are scaled to 24 bits.
  EXPECT_EQ(channels[3].digitalMax, 32767);
  EXPECT_EQ(channels.back().digitalMax, 8388607);
}

TEST(BdfChannels, AreNamedLikeTheCsvColumnsOrAfterTheirElectrodes) {
  const ElectrodeLayout layout = parseLayoutField(",0,0,a,0,0");  // electrode 00A
  const SignalList signals = {{"EEG", 2, 3, 1, 1}, {"GSR", 1, 2, 1, 1}, {"ACC", 3, 2, 1, 1},
                              {"ACC", 3, 2, 1, 1}, {"GEN", 1, 2, 1, 0}, {"IMU_B", 9, 2, 1, 1}};
  const std::vector<BdfChannel> channels = bdfChannels(signals, layout);
  ASSERT_EQ(channels.size(), 2u + 1u + 6u + 9u);
  EXPECT_EQ(channels[0].label, "ZAV-QLX-RMP00A");
  EXPECT_EQ(channels[1].label, "EEG-ch2");
  EXPECT_EQ(channels[2].label, "GSR-ch1");  // "Galvanic Skin Response-ch1" is too long
  EXPECT_EQ(channels[3].label, "ACC [1]-ch1");
  EXPECT_EQ(channels[8].label, "ACC [2]-ch3");
  EXPECT_EQ(channels[9].label, "IMU_B-ch1");
  EXPECT_EQ(channels[0].unit + channels[3].unit, "uVg");
  EXPECT_EQ(channels[9].unit + channels[12].unit + channels[15].unit, "m/s2deg/suT");
}

TEST(BdfWriter, RefusesWhatItCannotWriteAndSaysWhy) {
  TempFolder folder;
  const SignalList eeg = {{"EEG", 2, 3, 8, 1}};
  const std::tuple<SignalList, uint16_t, std::string, std::string> cases[] = {
      {eeg, 0, (folder / "a.bdf").string(), "the record has no block rate"},
      {{{"EEG", 2, 3, 8, 0}}, 32, (folder / "b.bdf").string(), "no enabled signal to record"},
      {{{"EEG", 700, 3, 1, 1}}, 32, (folder / "c.bdf").string(), "more channels than a BDF file holds"},
      {eeg, 32, (folder / "missing" / "d.bdf").string(), "cannot create"},
  };
  for (const auto& [signals, frequency, path, error] : cases) {
    BdfWriter writer(path);
    EXPECT_FALSE(writer.open(signals, frequency));
    EXPECT_EQ(writer.error().substr(0, error.size()), error);
    EXPECT_FALSE(writer.close());
  }
}

}  // namespace
}  // namespace zav::test

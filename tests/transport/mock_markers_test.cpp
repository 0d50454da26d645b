// The halves of the simulated 64-channel set: marker codes on the digital input and the
// shared waveform follow the wall clock, so two devices started apart agree on the instant.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "common/block_format.h"
#include "signal/signal_decoder.h"
#include "transport/byte_queue.h"
#include "transport/marker_code.h"
#include "transport/mock_configuration.h"
#include "transport/mock_device.h"

namespace zav {
namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSampleRate = 256;
constexpr std::size_t kEegBytes = 768, kExgBytes = 48, kImuBytes = 18, kFotBytes = 24, kDinBytes = 24;

// A decoder written from the alignment's reading of the line, independent of the device.
int nibbleOf(uint8_t codeword) {
  static const std::map<int, int> table = {{0, 0},   {15, 14}, {22, 7},  {25, 9},  {37, 10}, {42, 4},
                                           {51, 13}, {60, 3},  {67, 12}, {76, 2},  {85, 11}, {90, 5},
                                           {102, 6}, {105, 8}, {112, 1}, {127, 15}};
  const auto found = table.find(codeword & 0x7F);
  return found == table.end() ? -1 : found->second;
}

bool validCodeword(uint8_t byte) {
  if ((byte & 0x80) == 0) return false;
  for (uint8_t mask : {0x55, 0x33, 0x0F}) {
    int ones = 0;
    for (int bit = 0; bit < 8; ++bit) ones += (byte & mask) >> bit & 1;
    if (ones % 2 != 0) return false;
  }
  return true;
}

// (row, code) for every complete code on the line.
std::map<int64_t, int> decodeMarkers(const std::vector<bool>& line) {
  std::map<int64_t, int> events;
  int64_t last = -1;
  for (int64_t i = 0; i < static_cast<int64_t>(line.size()); ++i) {
    if (!line[static_cast<std::size_t>(i)] || (last >= 0 && i - last < 16)) continue;
    last = i;
    if (i + 16 >= static_cast<int64_t>(line.size())) break;
    uint8_t hi = 0, lo = 0;
    for (int bit = 0; bit < 8; ++bit) {
      hi = static_cast<uint8_t>(hi << 1 | line[static_cast<std::size_t>(i + bit)]);
      lo = static_cast<uint8_t>(lo << 1 | line[static_cast<std::size_t>(i + 8 + bit)]);
    }
    if (validCodeword(hi) && validCodeword(lo)) events[i] = nibbleOf(hi) * 16 + nibbleOf(lo);
  }
  return events;
}

struct Stream {
  int64_t firstSample = 0;    // samples since 1970 of the first row
  std::vector<bool> marker;   // DIN channel 1
  std::vector<double> wave;   // EEG channel 32
};

Stream record(const char* preset, int64_t startTicks, int blocks) {
  MockSetup setup;
  EXPECT_TRUE(addMockPreset(preset, setup));
  MockDevice device;
  device.configure(std::move(setup));
  device.setPacer({[] { return int64_t{0}; }, [](int64_t) {}});
  device.setWallClock([startTicks] { return startTicks; });
  device.startStreaming();
  const auto eeg = makeDecoder("EEG", 3, 32, 8);
  const auto din = makeDecoder("DIN", 1, 3, 8);
  Stream stream;
  stream.firstSample = (startTicks * kSampleRate + kTicksPerSecond / 2) / kTicksPerSecond;
  ByteQueue output;
  std::vector<uint8_t> block(block::kOverheadBytes + kEegBytes + kExgBytes + kImuBytes + kFotBytes + kDinBytes);
  std::vector<double> values(256);
  for (int b = 0; b < blocks; ++b) {
    device.produceBlock(output);
    EXPECT_EQ(output.take(block.data(), block.size()), block.size());
    const uint8_t* payload = block.data() + block::kPayloadOffset;
    eeg->decode(payload, 1, values.data());
    for (int s = 0; s < 8; ++s) stream.wave.push_back(values[31 * 8 + s]);
    din->decode(payload + kEegBytes + kExgBytes + kImuBytes + kFotBytes, 1, values.data());
    for (int s = 0; s < 8; ++s) stream.marker.push_back(values[8 + s] > 0.0);
  }
  return stream;
}

TEST(MockMarkersTest, SetHalvesCarryTheScheduledCodesAndWaveAtTheSameWallClockInstant) {
  // 0.7 s apart, neither on the sample grid.
  const int64_t leftStart = 1765000000LL * kTicksPerSecond + 3001234;
  const int64_t rightStart = leftStart + 7 * kTicksPerSecond / 10;
  const Stream left = record(kLeftPreset, leftStart, 32 * 9);
  const Stream right = record(kRightPreset, rightStart, 32 * 9);

  std::map<int64_t, int> leftCodes, rightCodes;  // by sample since 1970
  for (const auto& [row, code] : decodeMarkers(left.marker)) leftCodes[left.firstSample + row] = code;
  for (const auto& [row, code] : decodeMarkers(right.marker)) rightCodes[right.firstSample + row] = code;
  ASSERT_GE(leftCodes.size(), 4u);
  for (const auto& [sample, code] : leftCodes) {
    EXPECT_EQ(sample % (2 * kSampleRate), 0) << "a code every 2 s of wall-clock time";
    EXPECT_EQ(code, scheduledMarkerCode(sample / (2 * kSampleRate)));
  }
  int shared = 0;
  for (const auto& [sample, code] : rightCodes) {
    if (leftCodes.count(sample) == 0) continue;
    EXPECT_EQ(code, leftCodes[sample]);
    ++shared;
  }
  EXPECT_GE(shared, 3);

  // After alignment on the codes, the shared waveform agrees sample by sample.
  const int64_t offset = right.firstSample - left.firstSample;
  ASSERT_GT(offset, 0);
  double largest = 0.0;
  for (std::size_t i = 0; i < right.wave.size() && i + static_cast<std::size_t>(offset) < left.wave.size(); ++i) {
    EXPECT_NEAR(right.wave[i], left.wave[i + static_cast<std::size_t>(offset)], 1e-6) << "sample " << i;
    largest = std::max(largest, std::fabs(right.wave[i]));
  }
  EXPECT_NEAR(largest, 50.0, 0.5) << "a 50 uV sine";
}

TEST(MockMarkersTest, ScheduleNeverRepeatsACodeInConsecutivePeriods) {
  for (int64_t period = -300; period < 300; ++period) {
    ASSERT_NE(scheduledMarkerCode(period), scheduledMarkerCode(period + 1)) << period;
  }
}

}  // namespace
}  // namespace zav

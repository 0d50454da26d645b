#include "multi/side_buffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "multi/side_streams.h"

namespace zav {
namespace {

TEST(SideBufferEvents, DecodesCodewordsOnlyOnceCompleteAndMarkersStartAtLeastSixteenRowsApart) {
  const struct {
    const char* name;
    std::vector<std::pair<std::size_t, uint16_t>> codes;  // row, high byte << 8 | low byte
    std::vector<SyncEvent> events;
  } cases[] = {
      {"a code", {{10, 0x8FF0}}, {{10, 225}}},
      {"second byte without its start bit", {{10, 0x8F70}}, {}},
      {"odd under 0x55 only", {{10, 0x8FB0}}, {}},
      {"odd under 0x33 only", {{10, 0x8FD0}}, {}},
      {"odd under 0x0F only", {{10, 0x8FF8}}, {}},
      // A lone high row is a marker of its own: a code 5 rows later lies inside it, 16 rows later not.
      {"inside a lone high row", {{0, 0x8000}, {5, 0xAAF0}}, {}},
      {"after a lone high row", {{0, 0x8000}, {16, 0xAAF0}}, {{16, 0x41}}},
      {"two codes", {{0, 0xAAF0}, {16, 0xAACC}}, {{0, 0x41}, {16, 0x42}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> bits(48, 0.0);
    for (const auto& [row, word] : c.codes) test::placeWord(bits, row, word);
    SideBuffer side;
    test::pushRows(side, bits);
    EXPECT_EQ(side.findEvents(), c.events);
  }

  // A code is found once its last row is followed by another.
  const std::vector<double> bits = test::bitsWith(32, {{8, 0x5A}});
  SideBuffer side;
  test::pushRows(side, std::vector<double>(bits.begin(), bits.begin() + 24));  // rows 8 to 23: all there
  EXPECT_TRUE(side.findEvents().empty());
  test::pushRows(side, std::vector<double>(bits.begin() + 24, bits.end()), 3);
  EXPECT_EQ(side.findEvents(), (std::vector<SyncEvent>{{8, 0x5A}}));
}

TEST(SideBuffer, FillsMissingBlocksWithNaNAcrossTheSequenceWrapButAtMostTwoMinutes) {
  const struct {
    uint16_t first, next;
    std::vector<uint16_t> sequences;  // as queued
  } cases[] = {
      {4, 7, {4, 5, 6, 7}},   {65534, 1, {65534, 65535, 0, 1}},
      {65535, 0, {65535, 0}}, {7, 7, {7, 7}},  // a repeat is not a gap of 65535 blocks
      {7, 5, {7, 5}},                          // nor is a step back
  };
  const SignalList signals = test::deviceSignals();
  const std::vector<double> values(static_cast<std::size_t>(valuesPerBlock(signals)), 1.0);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + " then " + std::to_string(c.next));
    SideBuffer side;
    side.push(values, signals, c.first);
    side.push(values, signals, c.next);
    const std::size_t blocks = c.sequences.size();
    EXPECT_EQ(side.sampleCount(), blocks * 8);
    for (std::size_t block = 0; block < blocks; ++block) {
      const bool filled = block != 0 && block + 1 != blocks;
      EXPECT_EQ(side.currentSequence(), c.sequences[block]);
      EXPECT_EQ(std::isnan(side.value(SideQueue::eeg, 7, 31)), filled);
      EXPECT_EQ(std::isnan(side.value(SideQueue::imu, 0, 8)), filled);
      EXPECT_EQ(std::isnan(side.value(SideQueue::din, 7 + block * 8, 2)), filled);
      side.dropSamples(8);
    }
  }
  SideBuffer side;
  side.push(values, signals, 0);
  side.push(values, signals, 30000);  // 29999 missing: gigabytes of NaN rows if all were filled
  EXPECT_EQ(side.sampleCount(), (1 + 4096 + 1) * 8u);
}

TEST(SideBuffer, DropsSamplesAcrossBlocksIsReadyWithABlockOfEachEnabledSignalAndStartsANewRunAfterClear) {
  SignalList signals = test::deviceSignals();
  signals.push_back(SignalInfo("GSR", 1, 2, 8, 1));  // not buffered: never waited for
  SideBuffer side;
  EXPECT_FALSE(side.isReady(signals));
  test::pushRows(side, std::vector<double>(16, 0.0), 20);
  EXPECT_TRUE(side.isReady(signals));
  for (int i = 0; i < 3; ++i) side.dropSamples(3);
  EXPECT_FALSE(side.isReady(signals));
  EXPECT_EQ(side.sampleCount(), 7u);
  EXPECT_EQ(side.value(SideQueue::eeg, 0, 0), 9.0);
  EXPECT_TRUE(std::isnan(side.value(SideQueue::imu, 1, 0)));  // one of two blocks left
  EXPECT_EQ(side.currentSequence(), 21);
  signals[0].mode = signals[1].mode = signals[3].mode = 0;
  EXPECT_TRUE(side.isReady(signals));  // the imu block and the digital input are enough
  side.clear();
  EXPECT_FALSE(side.isReady(signals));
  test::pushRows(side, std::vector<double>(8, 0.0), 40);
  EXPECT_EQ(side.sampleCount(), 8u) << "no gap from block 21";
}

TEST(SideBuffer, KeepsOnlyTheRowsAndChannelsItHolds) {
  // 40 EEG channels: the last 8 are dropped, and the next signal still finds its values.
  const SignalList signals = {SignalInfo("EEG", 40, 3, 8, 1), SignalInfo("FOT", 1, 3, 8, 1)};
  std::vector<double> values(328);
  std::iota(values.begin(), values.end(), 0.0);
  SideBuffer side;
  side.push(values, signals, 0);
  EXPECT_EQ(side.value(SideQueue::eeg, 5, 31), 31 * 8 + 5);
  EXPECT_TRUE(std::isnan(side.value(SideQueue::eeg, 5, 32)));
  EXPECT_EQ(side.value(SideQueue::fot, 5, 0), 320 + 5);
  EXPECT_TRUE(std::isnan(side.value("FOT", 8, 0)));
  EXPECT_TRUE(std::isnan(side.value("GSR", 0, 0)));  // a type without a queue
}

}  // namespace
}  // namespace zav

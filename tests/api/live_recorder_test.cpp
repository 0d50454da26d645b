// The live recorder of a handle; its refusals are tested through the C interface (bdf_round_trip).
#include "api/live_recorder.h"

#include <gtest/gtest.h>

#include "record/bdf_reading.h"
#include "support/temp_folder.h"

namespace zav::detail {
namespace {

TEST(LiveRecorder, WritesSequenceJumpsAsLostBlocks) {
  test::TempFolder folder;
  const std::string path = (folder / "live.BDF").string();
  std::string reason;
  auto recorder = LiveRecorder::start(path, {{"BVP", 1, 2, 1, 1}}, 4, reason);
  ASSERT_NE(recorder, nullptr) << reason;
  // 65535 -> 0 is no jump; 1 -> 4 loses two blocks; a repeat or a step back is written as it comes.
  for (uint16_t sequence : {65535, 0, 1, 4, 4, 3}) recorder->add({double(sequence)}, sequence, 0);
  EXPECT_TRUE(recorder->stop());
  const test::BdfContent content = test::readBdf(path);
  EXPECT_EQ(content.records, 2);  // 8 blocks at 4 per second
  EXPECT_EQ(content.annotations, std::vector<std::string>{"0.7500 0.5000 lost 2 blocks"});
}

}  // namespace
}  // namespace zav::detail

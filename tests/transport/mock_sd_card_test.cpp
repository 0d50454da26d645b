// The simulated device's SD card: the streamed blocks behind a record header, in numbered
// files under the folder and name set by "cd" and "ca", split at the size limit; and a card
// that refuses, which ends the recording but not the stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "record/record_header.h"
#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::ask;

constexpr std::size_t kBlockBytes = 9 + 2 * 3;
constexpr std::size_t kFileBytes = 1000;

class MockSdCardTest : public testing::Test {
 protected:
  void SetUp() override {
    nlohmann::json device = test::deviceWith(
        {test::signalEntry("EEG", 2, 3, 1, 1, 4000), test::signalEntry("uSD", 0, 0, 0, 0, 0)});
    device["card"] = card_.string();
    device["cardFileBytes"] = kFileBytes;
    test::configureWith(connection_, config_, device);
    ASSERT_TRUE(connection_.open());
  }

  // Streams count blocks with the recorder in the given mode and returns their bytes; a path
  // given as occupied is made a folder on the card after the first block.
  std::string stream(int count, const std::string& occupied = "", char mode = 1) {
    EXPECT_EQ(ask(connection_, "cc\x01"s + mode), "OK\0"s);
    test::send(connection_, "s");
    std::string bytes;
    for (int i = 0; i < count; ++i) {
      const std::vector<uint8_t> block = test::readBlock(connection_, kBlockBytes);
      bytes.append(block.begin(), block.end());
      if (i == 0 && !occupied.empty()) fs::create_directories(card_.path() / occupied);
    }
    test::send(connection_, "p");
    return bytes;
  }

  std::size_t fileCount(const fs::path& folder) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  test::TempFolder config_;
  test::TempFolder card_;
  MockConnection connection_;
};

TEST_F(MockSdCardTest, RecordsTheStreamedBlocksBehindAHeaderInNumberedFilesSplitAtTheLimit) {
  stream(1, "", 0);
  EXPECT_TRUE(fs::is_empty(card_.path())) << "nothing with the recorder off";

  EXPECT_EQ(ask(connection_, "cddata\\run1\\\0"s), "data\\run1\\");
  EXPECT_EQ(ask(connection_, "carec.sdf\0"s), "rec.sdf");
  stream(150);
  const fs::path folder = card_.path() / "data" / "run1";
  const std::size_t files = fileCount(folder);
  ASSERT_GE(files, 3u);
  const std::string firstFile = test::readFile(folder / "0_rec.sdf");
  const std::string header = firstFile.substr(0, firstFile.find("\xAA\x55"));
  EXPECT_NE(header.find("uSD  , xx, xx, xx, 01\0Cal"s), std::string::npos) << "the recorder's entry on";
  const RecordHeader read = readRecordHeader(folder / "0_rec.sdf");
  EXPECT_EQ(read.frequency, 4000);
  EXPECT_EQ(read.signals, (SignalList{{"EEG", 2, 3, 1, 1}}));
  ASSERT_TRUE(read.layout.present) << "a place on the cap for each EEG channel";
  EXPECT_EQ(read.layout.codes, (std::vector<uint8_t>{1, 2}));
  EXPECT_NE(std::make_pair(read.layout.xpos[0], read.layout.ypos[0]),
            std::make_pair(read.layout.xpos[1], read.layout.ypos[1]));
  // Their blocks, as streamed, are what the record import reads back (tests/record).
  for (std::size_t n = 0; n < files; ++n) {
    const std::string bytes = test::readFile(folder / (std::to_string(n) + "_rec.sdf"));
    EXPECT_LE(bytes.size(), kFileBytes) << n;
    EXPECT_EQ(bytes.compare(0, header.size(), header), 0) << "every file starts with the header";
  }

  // A second recording under the same name overwrites nothing: its files come after.
  stream(10);
  EXPECT_EQ(fileCount(folder), files + 1);
  EXPECT_EQ(test::readFile(folder / (std::to_string(files) + "_rec.sdf")).size(),
            header.size() + 10 * kBlockBytes);
  EXPECT_EQ(test::readFile(folder / "0_rec.sdf"), firstFile);
}

TEST_F(MockSdCardTest, ACardThatRefusesEndsTheRecordingWithOneLineAndTheStreamGoesOn) {
  // A folder outside the card is refused (SD-card folder error in the flags).
  EXPECT_EQ(ask(connection_, "cd..\\outside\0"s), "..\\outside");
  testing::internal::CaptureStdout();
  std::string bytes = stream(5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "simulated SD card: cannot record into folder ..\\outside; recording stopped\n");
  EXPECT_EQ(bytes.size(), 5 * kBlockBytes);
  EXPECT_EQ(bytes[7], 3);
  EXPECT_TRUE(fs::is_empty(card_.path()));
  EXPECT_FALSE(fs::exists(card_.path().parent_path() / "outside"));

  // The next file cannot be created: what was recorded stays, the stream goes on (file error).
  EXPECT_EQ(ask(connection_, "cddata\0"s), "data");
  testing::internal::CaptureStdout();
  bytes = stream(150, "data/1_mock_filename.sdf");
  const std::string lines = testing::internal::GetCapturedStdout();
  EXPECT_EQ(bytes.size(), 150 * kBlockBytes);
  EXPECT_EQ(bytes[bytes.size() - kBlockBytes + 7], 5);
  EXPECT_EQ(lines.rfind("simulated SD card: cannot create file ", 0), 0u) << lines;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
  EXPECT_EQ(fileCount(card_.path() / "data"), 2u);
  EXPECT_TRUE(fs::is_directory(card_.path() / "data" / "1_mock_filename.sdf"));
  EXPECT_GT(fs::file_size(card_.path() / "data" / "0_mock_filename.sdf"), kFileBytes - kBlockBytes);
}

}  // namespace
}  // namespace zav

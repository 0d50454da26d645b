// The exported record conversion as a host calls it; the importer's own rules: tests/record.
#include <gtest/gtest.h>

#include "support/record_writer.h"
#include "support/temp_folder.h"
#include "zav/zav.h"

namespace {

struct Card {
  zav::test::TempFolder folder, output;
  zav::test::RecordWriter writer{{{"EEG", 3, 3, 1, 1}, {"GEN", 1, 2, 1, 1}}, 250, "night"};
  std::string path = folder.string();
  std::string out = output.string();
  Card() {
    const auto values = [](uint16_t s) { return std::vector<double>{1.0, 2.0, 3.0, static_cast<double>(s)}; };
    zav::test::writeFile(folder / "0_long.bin", writer.file(zav::test::sequenceRun(0, 600), values));
    zav::test::writeFile(folder / "1_long.bin", writer.file(zav::test::sequenceRun(600, 400), values));
    zav::test::writeFile(folder / "0_short.bin", writer.file({0, 1}, values));
  }
};

int onRecord(const zav_record_info* record, void* user) {
  static_cast<std::vector<std::string>*>(user)->push_back(
      std::string(record->name) + " " + std::to_string(record->file_count) + " " +
      std::to_string(record->frequency) + " " + std::to_string(record->block_count) + " " +
      std::to_string(record->data_bytes) + " " + std::to_string(record->seconds) + " " + record->description +
      " | " + record->signals);
  return 1;
}

struct Progress {
  std::vector<std::pair<uint64_t, uint64_t>> calls;
  bool cancel = false;
};

int onProgress(uint64_t done, uint64_t count, void* user) {
  auto* progress = static_cast<Progress*>(user);
  progress->calls.emplace_back(done, count);
  return progress->cancel ? 0 : 1;
}

TEST(RecordImportThroughTheCInterface, ListsAndConvertsRecordsReportingProgressAndACancel) {
  Card card;
  ASSERT_EQ(zav_driver_import_sd_record(card.path.c_str(), "short", card.out.c_str()), 1);
  EXPECT_TRUE(std::filesystem::exists(card.output / "Analog AUX.csv"));
  std::vector<std::string> seen;
  EXPECT_EQ(zav_list_sd_records(card.path.c_str(), onRecord, &seen), 2);
  const std::size_t bytes = card.writer.blockBytes();
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                "long 2 250 1000 " + std::to_string(1000 * bytes) + " 4.000000 night | EEG 3, Analog AUX 1",
                "short 1 250 2 " + std::to_string(2 * bytes) + " 0.008000 night | EEG 3, Analog AUX 1"}));
  EXPECT_EQ(zav_list_sd_records(
                card.path.c_str(), [](const zav_record_info*, void*) { return 0; }, nullptr),
            1);

  for (const bool cancel : {false, true}) {
    Progress progress{{}, cancel};
    EXPECT_EQ(zav_import_sd_record_with_progress(card.path.c_str(), "long", card.out.c_str(), onProgress,
                                                 &progress),
              cancel ? 0 : 1);
    EXPECT_STREQ(zav_last_error(), cancel ? "the conversion was cancelled" : "");
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls.size() == 1, cancel);  // no report after a cancel
    EXPECT_EQ(progress.calls.front(), std::make_pair(uint64_t{256}, uint64_t{1000}));
    EXPECT_EQ(progress.calls.back().first, cancel ? 256u : 1000u);
  }
}

}  // namespace

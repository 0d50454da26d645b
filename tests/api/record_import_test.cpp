// The exported record conversion, as a host calls it, on real folders.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/record_writer.h"
#include "support/temp_folder.h"
#include "zav/zav.h"

namespace {

using zav::test::RecordWriter;
using zav::test::TempFolder;

// A CSV file's text with the line ends of any platform as "\n".
std::string csv(const std::filesystem::path& path) {
  std::string text = zav::test::readFile(path);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

TEST(RecordImportThroughTheCInterface, ConvertsARecordAndReportsFailures) {
  TempFolder card;
  TempFolder output;
  RecordWriter writer({{"EEG", 2, 3, 1, 1}, {"GEN", 1, 2, 1, 1}}, 250);
  // Files 0, 1, 2 and 10: by number, not by name.
  const uint16_t first[] = {0, 2, 4, 6};
  const char* names[] = {"0_rec.bin", "1_rec.bin", "2_rec.bin", "10_rec.bin"};
  for (int f = 0; f < 4; ++f) {
    zav::test::writeFile(card / names[f], writer.file({first[f], static_cast<uint16_t>(first[f] + 1)}, [](uint16_t s) {
      return std::vector<double>{0.0, 0.0, static_cast<double>(s)};
    }));
  }
  ASSERT_EQ(zav_driver_import_sd_record(card.string().c_str(), "rec", output.string().c_str()), 1);
  EXPECT_EQ(csv(output / "signalsInfo.csv"),
            "signal,samplingrate,channels,samples,timestamps\n"
            "EEG,250,2,1,false\n"
            "Analog AUX,250,1,1,false\n");
  const std::string aux = csv(output / "Analog AUX.csv");
  EXPECT_EQ(aux.substr(0, aux.find('\n')), "sequence,battery,flags,Analog AUX-ch1");
  // Eight blocks in sequence order, no gap: the files were taken 0, 1, 2, 10.
  EXPECT_EQ(std::count(aux.begin(), aux.end(), '\n'), 9);
  EXPECT_NE(aux.find("\n7,0,0,"), std::string::npos);

  EXPECT_EQ(zav_driver_import_sd_record(card.string().c_str(), "nothing", output.string().c_str()), 0);
  EXPECT_EQ(zav_driver_import_sd_record(card.string().c_str(), "rec(", output.string().c_str()), 0);
  EXPECT_EQ(zav_driver_import_sd_record(card.string().c_str(), "rec",
                                        (output.string() + "/missing/folder").c_str()),
            0);
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

int onRecord(const zav_record_info* record, void* user) {
  auto* seen = static_cast<std::vector<std::string>*>(user);
  seen->push_back(std::string(record->name) + " " + std::to_string(record->file_count) + " " +
                  std::to_string(record->frequency) + " " + std::to_string(record->block_count) + " " +
                  std::to_string(record->data_bytes) + " " + std::to_string(record->seconds) + " " +
                  record->description + " | " + record->signals);
  return 1;
}

TEST(RecordImportThroughTheCInterface, ListsRecordsAndReportsProgressUntilCancelled) {
  TempFolder card;
  RecordWriter writer({{"EEG", 3, 3, 1, 1}, {"GEN", 1, 2, 1, 1}}, 250, "night");
  const auto values = [](uint16_t s) { return std::vector<double>{1.0, 2.0, 3.0, static_cast<double>(s)}; };
  zav::test::writeFile(card / "0_long.bin", writer.file(zav::test::sequenceRun(0, 600), values));
  zav::test::writeFile(card / "1_long.bin", writer.file(zav::test::sequenceRun(600, 400), values));
  zav::test::writeFile(card / "0_short.bin", writer.file({0, 1}, values));

  std::vector<std::string> seen;
  EXPECT_EQ(zav_list_sd_records(card.string().c_str(), onRecord, &seen), 2);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "long 2 250 1000 " + std::to_string(1000 * writer.blockBytes()) + " 4.000000 night | EEG 3, Analog AUX 1");
  EXPECT_EQ(seen[1], "short 1 250 2 " + std::to_string(2 * writer.blockBytes()) + " 0.008000 night | EEG 3, Analog AUX 1");
  EXPECT_EQ(zav_list_sd_records(card.string().c_str(), [](const zav_record_info*, void*) { return 0; }, nullptr), 1);

  TempFolder output;
  Progress progress;
  ASSERT_EQ(zav_import_sd_record_with_progress(card.string().c_str(), "long", output.string().c_str(), onProgress,
                                               &progress),
            1);
  EXPECT_STREQ(zav_last_error(), "");
  ASSERT_GE(progress.calls.size(), 3u);
  EXPECT_EQ(progress.calls.front(), std::make_pair(uint64_t{256}, uint64_t{1000}));
  EXPECT_EQ(progress.calls.back(), std::make_pair(uint64_t{1000}, uint64_t{1000}));

  TempFolder cancelled;
  Progress cancelling;
  cancelling.cancel = true;
  EXPECT_EQ(zav_import_sd_record_with_progress(card.string().c_str(), "long", cancelled.string().c_str(),
                                               onProgress, &cancelling),
            0);
  EXPECT_STREQ(zav_last_error(), "the conversion was cancelled");
  EXPECT_EQ(cancelling.calls.size(), 1u);
  // Whole rows only: the header and the 256 blocks before the report.
  const std::string eeg = csv(cancelled / "EEG.csv");
  EXPECT_EQ(std::count(eeg.begin(), eeg.end(), '\n'), 257);
  EXPECT_EQ(eeg.back(), '\n');
}

}  // namespace

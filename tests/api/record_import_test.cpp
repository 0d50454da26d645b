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

}  // namespace

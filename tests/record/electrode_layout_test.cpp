#include "record/electrode_layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "record/importer.h"
#include "support/record_writer.h"
#include "support/temp_folder.h"

namespace zav {
namespace {

using test::RecordWriter;
using test::TempFolder;

const char* const kTwoElectrodes = R"([{"Dimension":{"MaxX":20.0,"MaxY":15.5}},)"
                                   R"({"letter":"A","name":"ZAV-QLX-RMP001","xpos":1.25,"ypos":3.0},)"
                                   R"({"letter":"B","name":"ZAV-QLX-RMP002","xpos":4.5,"ypos":3.0}])";

std::string recordWithLayoutField(const TempFolder& folder, const std::string& field) {
  RecordWriter writer({{"EEG", 1, 3, 1, 1}});
  writer.setLayoutField(field);
  test::writeFile(folder / "0_rec.bin",
                  writer.file({1, 2}, [](uint16_t) { return std::vector<double>(1, 0.0); }));
  return folder.string();
}

TEST(ElectrodeLayout, WritesTheHeaderLayoutAsOneLineOfJson) {
  TempFolder folder;
  Importer importer(recordWithLayoutField(folder, ",125|450,300|300,1|2,2000,1550"), "rec");
  ASSERT_TRUE(importer.hasLayout());
  const std::filesystem::path path = folder / "layout.json";
  importer.writeLayout(path.string());
  EXPECT_EQ(test::readFile(path), kTwoElectrodes);
  // The blocks still start after the layout field.
  EXPECT_EQ(importer.firstSequence(), 1);
  EXPECT_EQ(importer.blockCount(), 2u);
}

TEST(ElectrodeLayout, TakesNoLayoutFromAnAbsentOrDeclinedField) {
  TempFolder declined;
  Importer importer(recordWithLayoutField(declined, ",N,125|450"), "rec");
  EXPECT_FALSE(importer.hasLayout());
  importer.writeLayout((declined / "layout.json").string());
  EXPECT_FALSE(std::filesystem::exists(declined / "layout.json"));
  EXPECT_EQ(importer.firstSequence(), 1);

  TempFolder absent;
  RecordWriter writer({{"EEG", 2, 3, 1, 1}});
  test::writeFile(absent / "0_rec.bin",
                  writer.file({9}, [](uint16_t) { return std::vector<double>(2, 0.0); }));
  EXPECT_FALSE(Importer(absent.string(), "rec").hasLayout());

  EXPECT_FALSE(parseLayoutField("125|450").present);             // no comma
  EXPECT_FALSE(parseLayoutField("\xAA\x55,1,2,3,4,5").present);  // a block, not a layout
  EXPECT_FALSE(parseLayoutField(",1,2,3,4").present);            // incomplete
}

TEST(ElectrodeLayout, ReadsListsHexCodesAndItemsWithoutNumbers) {
  const ElectrodeLayout layout = parseLayoutField("x,-50|x||7,100,ff|1A|zz,abc,250");
  ASSERT_TRUE(layout.present);
  EXPECT_EQ(layout.xpos, (std::vector<double>{-0.5, 0.0, 0.0, 0.07}));
  EXPECT_EQ(layout.ypos, (std::vector<double>{1.0}));
  EXPECT_EQ(layout.codes, (std::vector<uint8_t>{0xFF, 0x1A, 0x00}));
  EXPECT_EQ(layout.maxX, 0.0);
  EXPECT_EQ(layout.maxY, 2.5);
}

TEST(ElectrodeLayout, NamesElectrodesByLetterAndCode) {
  EXPECT_EQ(electrodeLetter(0), "A");
  EXPECT_EQ(electrodeLetter(25), "Z");
  EXPECT_EQ(electrodeLetter(26), "AA");
  EXPECT_EQ(electrodeLetter(27), "AB");
  EXPECT_EQ(electrodeLetter(51), "AZ");
  EXPECT_EQ(electrodeLetter(52), "BA");
  EXPECT_EQ(electrodeLetter(701), "ZZ");
  EXPECT_EQ(electrodeLetter(702), "AAA");
  EXPECT_EQ(electrodeLetter(18277), "ZZZ");
  EXPECT_EQ(electrodeName(10), "ZAV-QLX-RMP00A");
  EXPECT_EQ(electrodeName(255), "ZAV-QLX-RMP0FF");
  EXPECT_EQ(electrodeName(0), "ZAV-QLX-RMP000");
}

TEST(ElectrodeLayout, WritesOnlyTheElectrodesAllListsDescribe) {
  ElectrodeLayout layout;
  layout.xpos = {1.0, 2.0, 3.0};
  layout.ypos = {4.0, 5.0};
  layout.codes = {7, 8, 9, 10};
  layout.present = true;
  EXPECT_EQ(layoutDocument(layout), R"([{"Dimension":{"MaxX":0.0,"MaxY":0.0}},)"
                                    R"({"letter":"A","name":"ZAV-QLX-RMP007","xpos":1.0,"ypos":4.0},)"
                                    R"({"letter":"B","name":"ZAV-QLX-RMP008","xpos":2.0,"ypos":5.0}])");
}

}  // namespace
}  // namespace zav

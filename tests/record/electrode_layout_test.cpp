#include "record/electrode_layout.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "record/import_fixture.h"

namespace zav::test {
namespace {

TEST(ElectrodeLayout, WritesTheHeaderLayoutAsOneLineOfJsonAndNoneForADeclinedOrMalformedField) {
  const std::pair<const char*, std::string> cases[] = {
      {",125|450,300|300,1|2,2000,1550", R"([{"Dimension":{"MaxX":20.0,"MaxY":15.5}},)"
                                         R"({"letter":"A","name":"ZAV-QLX-RMP001","xpos":1.25,"ypos":3.0},)"
                                         R"({"letter":"B","name":"ZAV-QLX-RMP002","xpos":4.5,"ypos":3.0}])"},
      {",N,125|450", ""}};  // declined: no layout file
  for (const auto& [field, document] : cases) {
    TempFolder folder;
    RecordWriter writer({{"EEG", 1, 3, 1, 1}});
    writer.setLayoutField(field);
    writeFile(folder / "0_rec.bin", writer.file({1, 2}, valuesOf));
    Importer importer(folder.string(), "rec");
    importer.writeLayout((folder / "layout.json").string());
    EXPECT_EQ(std::filesystem::exists(folder / "layout.json"), !document.empty());
    EXPECT_EQ(readFile(folder / "layout.json"), document);  // empty when missing
    EXPECT_EQ(importer.firstSequence(), 1);                 // the blocks still start after the layout field
  }
  EXPECT_FALSE(parseLayoutField("125|450").present);             // no comma
  EXPECT_FALSE(parseLayoutField("\xAA\x55,1,2,3,4,5").present);  // a block, not a layout
  EXPECT_FALSE(parseLayoutField(",1,2,3,4").present);            // incomplete
}

TEST(ElectrodeLayout, ReadsListsHexCodesAndItemsWithoutNumbersAndWritesTheElectrodesAllListsDescribe) {
  const ElectrodeLayout layout = parseLayoutField("x,-50|x||7,100|200,ff|1A|zz,abc,250");
  ASSERT_TRUE(layout.present);
  EXPECT_EQ(layout.xpos, (std::vector<double>{-0.5, 0.0, 0.0, 0.07}));
  EXPECT_EQ(layout.ypos, (std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(layout.codes, (std::vector<uint8_t>{0xFF, 0x1A, 0x00}));
  EXPECT_EQ(layoutDocument(layout), R"([{"Dimension":{"MaxX":0.0,"MaxY":2.5}},)"
                                    R"({"letter":"A","name":"ZAV-QLX-RMP0FF","xpos":-0.5,"ypos":1.0},)"
                                    R"({"letter":"B","name":"ZAV-QLX-RMP01A","xpos":0.0,"ypos":2.0}])");
}

TEST(ElectrodeLayout, LettersElectrodesLikeSpreadsheetColumns) {
  const std::pair<std::size_t, const char*> letters[] = {{0, "A"},    {25, "Z"},    {26, "AA"},    {52, "BA"},
                                                         {701, "ZZ"}, {702, "AAA"}, {18277, "ZZZ"}};
  for (const auto& [index, letter] : letters) EXPECT_EQ(electrodeLetter(index), letter) << index;
}

}  // namespace
}  // namespace zav::test

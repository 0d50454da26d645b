// Configuration files the simulated device cannot use: the open fails with one line that
// says why, and nothing is thrown.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

using test::deviceWith;
using test::signalEntry;

struct OpenResult {
  bool opened = false;
  std::string lines;
};

OpenResult openWith(const std::string& text) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, text);
  testing::internal::CaptureStdout();
  OpenResult result;
  result.opened = connection.open();
  result.lines = testing::internal::GetCapturedStdout();
  EXPECT_EQ(connection.isConnected(), result.opened);
  return result;
}

nlohmann::json validEntry() {
  return signalEntry("EEG", 8, 3, 1, 1, 500, {1.0});
}

TEST(MockConfigurationTest, UnreadableOrMalformedFilesFailTheOpenWithALine) {
  test::TempFolder folder;
  MockConnection connection;
  const std::string missing = (folder / "missing.json").string();
  test::setProperty(connection, "configuration", missing);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "cannot read simulated device configuration " + missing + "\n");
  EXPECT_FALSE(connection.isConnected());

  const std::pair<std::string, std::string> cases[] = {
      {"{\"signals\": [", ": not valid JSON\n"},
      {"", ": not valid JSON\n"},
      {"[1, 2]", ": the top level is not an object\n"},
      {"{\"signals\": 5}", ": \"signals\" is not a list\n"},
      {"{\"signals\": [7]}", ": signal entry 0: not an object\n"},
  };
  for (const auto& [text, reason] : cases) {
    const OpenResult result = openWith(text);
    EXPECT_FALSE(result.opened) << text;
    EXPECT_NE(result.lines.find("invalid simulated device configuration "), std::string::npos) << text;
    EXPECT_NE(result.lines.find(reason), std::string::npos) << text << " gave " << result.lines;
  }
}

TEST(MockConfigurationTest, EntriesWithMissingKeysOrWrongTypesFailTheOpen) {
  for (const char* key : {"type", "channels", "bytes", "blockSize", "mode", "sr"}) {
    nlohmann::json entry = validEntry();
    entry.erase(key);
    const OpenResult result = openWith(deviceWith({entry}).dump());
    EXPECT_FALSE(result.opened) << key;
    const std::string named = std::string(key) == "type" ? "signal entry 0: " : "signal entry 0 (EEG): ";
    EXPECT_NE(result.lines.find(named + "missing key \"" + key + "\""), std::string::npos) << result.lines;
  }
  const std::pair<const char*, nlohmann::json> wrong[] = {
      {"type", 5},
      {"channels", "8"},
      {"channels", 8.5},
      {"bytes", nullptr},
      {"sr", true},
      {"values", "1, 2"},
      {"values", {1.0, "two"}},
      {"mode", 1e12},
      {"channels", 5000000000LL},
  };
  for (const auto& [key, value] : wrong) {
    nlohmann::json entry = validEntry();
    entry[key] = value;
    const OpenResult result = openWith(deviceWith({entry}).dump());
    EXPECT_FALSE(result.opened) << key << " = " << value.dump();
    const std::string named = std::string(key) == "type" ? "signal entry 0: \"" : "signal entry 0 (EEG): \"";
    EXPECT_NE(result.lines.find(named + key + "\""), std::string::npos) << result.lines;
  }
}

TEST(MockConfigurationTest, ShapesThatCannotPaceOrBeEncodedFailTheOpen) {
  const std::pair<nlohmann::json, std::string> cases[] = {
      {signalEntry("EEG", 8, 3, 0, 1, 500), "\"blockSize\" is 0"},
      {signalEntry("EEG", 8, 3, 20, 1, 10), "fewer than 1 block per second"},
      {signalEntry("EEG", 8, 3, 1, 1, 0), "fewer than 1 block per second"},
      {signalEntry("EEG", 8, 3, 1, 1, -500), "fewer than 1 block per second"},
      {signalEntry("EEG", -1, 3, 1, 1, 500), "\"channels\" is -1"},
      {signalEntry("EEG", 100, 3, 1, 1, 500), "\"channels\" is 100"},
      {signalEntry("EEG", 8, 9, 1, 1, 500), "\"bytes\" is 9"},
      {signalEntry("EEG", 8, 0, 1, 1, 500), "\"bytes\" is 0"},
      {signalEntry("EEG", 8, 3, 1, 200, 500), "\"mode\" is 200"},
      {signalEntry("distances", 0, 2, 1, 1, 500), "\"channels\" is 0"},
  };
  for (const auto& [entry, reason] : cases) {
    const OpenResult result = openWith(deviceWith({validEntry(), entry}).dump());
    EXPECT_FALSE(result.opened) << entry.dump();
    EXPECT_NE(result.lines.find("signal entry 1 (" + entry["type"].get<std::string>() + "): "), std::string::npos)
        << result.lines;
    EXPECT_NE(result.lines.find(reason), std::string::npos) << result.lines;
  }
}

TEST(MockConfigurationTest, EntriesWithoutSamplesNeedNoShapeAndValuesAreOptional) {
  // As a device writes its SD-card entry: zeros for a shape it does not have, no values.
  nlohmann::json sdCard = signalEntry("uSD", 0, 0, 0, 0, 0);
  sdCard.erase("values");
  nlohmann::json battery = {{"type", "batteries"}, {"mode", 1}};
  nlohmann::json eeg = validEntry();
  eeg.erase("values");
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, deviceWith({eeg, sdCard, battery}));
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(test::ask(connection, "gc"), "EEG  , 08, 03, 01, 01uSD  , xx, xx, xx, 00" + std::string(1, '\0'));
  // The rate comes from the entry that has one.
  EXPECT_EQ(test::ask(connection, "gf"), "500" + std::string(1, '\0'));

  const std::pair<nlohmann::json, std::string> refused[] = {
      {{{"signals", {validEntry()}}, {"markers", {{"every", 0}}}}, "markers: \"every\""},
      {{{"signals", {validEntry()}}, {"markers", 2}}, "\"markers\" is not an object"},
      {{{"referenceWave", {{"channel", 0}}}}, "referenceWave: \"channel\" is 0"},
  };
  for (const auto& [document, reason] : refused) {
    const OpenResult result = openWith(document.dump());
    EXPECT_FALSE(result.opened) << document.dump();
    EXPECT_NE(result.lines.find(reason), std::string::npos) << result.lines;
  }
}

TEST(MockConfigurationTest, DocumentsWithoutSignalsOpenAndAFixedFileOpensOnRetry) {
  for (const char* text : {"{}", "{\"signals\": []}", "{\"other\": 1}"}) {
    const OpenResult result = openWith(text);
    EXPECT_TRUE(result.opened) << text;
    EXPECT_EQ(result.lines, "");
  }

  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, std::string("{\"signals\": [1"));
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  testing::internal::GetCapturedStdout();
  test::configureWith(connection, folder, deviceWith({validEntry()}));
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(test::ask(connection, "gc"), "EEG  , 08, 03, 01, 01" + std::string(1, '\0'));
}

TEST(MockConfigurationTest, UnknownPresetFailsTheOpen) {
  MockConnection connection;
  test::setProperty(connection, "preset", "fancy");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "unknown simulated device preset fancy\n");
}

}  // namespace
}  // namespace zav

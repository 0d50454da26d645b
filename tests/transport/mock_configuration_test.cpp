// Configuration files for the simulated device: what it makes of a good one, and for one it
// cannot use, a failed open with one line that says why.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

using namespace std::string_literals;
using test::deviceWith;
using test::signalEntry;

const nlohmann::json kEeg = signalEntry("EEG", 8, 3, 1, 1, 500, {1.0});

// A device whose second entry is kEeg with the key set to the value, or without the key for null.
std::string withChanged(const char* key, const nlohmann::json& value) {
  nlohmann::json entry = kEeg;
  if (value.is_null())
    entry.erase(key);
  else
    entry[key] = value;
  return deviceWith({kEeg, entry}).dump();
}

// The line printed when a connection with these properties fails to open.
std::string openFailure(const PropertyValues& properties) {
  MockConnection connection;
  connection.setProperties(properties);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_FALSE(connection.isConnected());
  return testing::internal::GetCapturedStdout();
}

TEST(MockConfigurationTest, UnusableDocumentsFailTheOpenWithALineSayingWhy) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"signals\": [", ": not valid JSON\n"},
      {"[1, 2]", ": the top level is not an object\n"},
      {"{\"signals\": 5}", ": \"signals\" is not a list\n"},
      {"{\"signals\": [7]}", ": signal entry 0: not an object\n"},
      {"{\"signal\": []}", "unknown key \"signal\""},
      {deviceWith({kEeg}).dump().insert(1, "\"card_file\": 1, "), "unknown key \"card_file\""},
      {"{\"card\": \"card\"}", "missing key \"signals\""},
      {"{\"signals\": [{\"type\": \"batteries\", \"mode\": 1}]}", "\"signals\" lists no signal"},
      {"{\"preset\": \"default\", \"battery\": {\"millivolts\": 70000}}", "battery: \"millivolts\""},
      {"{\"preset\": \"default\", \"cardFileBytes\": 0}", "\"cardFileBytes\""},
      {"{\"preset\": \"default\", \"card\": 7}", "\"card\""},
      {nlohmann::json{{"signals", {kEeg}}, {"markers", {{"every", 0}}}}.dump(), "markers: \"every\""},
      {nlohmann::json{{"signals", {kEeg}}, {"markers", 2}}.dump(), "\"markers\" is not an object"},
      {nlohmann::json{{"referenceWave", {{"channel", 0}}}}.dump(), "referenceWave: \"channel\" is 0"},
      {withChanged("type", 5), "signal entry 1: \"type\""},
      {withChanged("type", nullptr), "signal entry 1: missing key \"type\""},
      // Shapes that cannot pace or be encoded, or that the signal list cannot print.
      {withChanged("blockSize", 0), "(EEG): \"blockSize\" is 0"},
      {withChanged("sr", 0), "(EEG): \"sr\" / \"blockSize\" gives fewer than 1 block per second"},
      {withChanged("channels", -1), "\"channels\" is -1"},
      {withChanged("bytes", 9), "\"bytes\" is 9"},
      {withChanged("mode", 200), "\"mode\" is 200"},
      {deviceWith({kEeg, signalEntry("distances", 0, 2, 1, 1, 500)}).dump(),
       "(distances): \"channels\" is 0"},
  };
  // Integers are read alike: the mode apart, the shape in one loop.
  for (const char* key : {"mode", "channels"})
    cases.push_back({withChanged(key, nullptr), "signal entry 1 (EEG): missing key \""s + key + "\""});
  const std::pair<const char*, nlohmann::json> wrongTypes[] = {
      {"channels", "8"},          {"mode", 1e12}, {"values", "1, 2"}, {"values", {1.0, "two"}},
      {"channels", 5000000000LL},
  };
  for (const auto& [key, value] : wrongTypes)
    cases.push_back({withChanged(key, value), "signal entry 1 (EEG): \""s + key + "\""});
  test::TempFolder folder;
  for (const auto& [text, reason] : cases) {
    SCOPED_TRACE(text);
    test::writeFile(folder / "device.json", text);
    const std::string line = openFailure({{"configuration", (folder / "device.json").string()}});
    EXPECT_EQ(line.rfind("invalid simulated device configuration ", 0), 0u) << line;
    EXPECT_NE(line.find(reason), std::string::npos) << line;
  }
  EXPECT_EQ(openFailure({{"configuration", "missing.json"}}),
            "cannot read simulated device configuration missing.json\n");
  EXPECT_EQ(openFailure({{"preset", "fancy"}}), "unknown simulated device preset fancy\n");
}

TEST(MockConfigurationTest, SampleFreeEntriesNeedNoShapeDistancesExpandAndAFixedFileOpensOnRetry) {
  test::TempFolder folder;
  MockConnection connection;
  test::configureWith(connection, folder, "{\"signals\": [1");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  testing::internal::GetCapturedStdout();

  // As a device writes its SD-card entry: zeros for a shape it does not have, no values.
  nlohmann::json sdCard = signalEntry("uSD", 0, 0, 0, 0, 0);
  sdCard.erase("values");
  nlohmann::json eeg = kEeg;
  eeg.erase("values");
  test::configureWith(connection, folder,
                      deviceWith({eeg,
                                  signalEntry("distances", 3, 2, 4, 1, 40, {1.0, 2.0}),
                                  sdCard,
                                  {{"type", "batteries"}, {"mode", 1}, {"blockSize", 10}, {"sr", 600}}}));
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(test::ask(connection, "gc"),
            "EEG  , 08, 03, 01, 01ANC  , 02, 02, 03, 01ANC  , 02, 02, 03, 01"
            "ANC  , 02, 02, 03, 01uSD  , xx, xx, xx, 00\0"s);
  EXPECT_EQ(test::ask(connection, "gf"), "60\0"s) << "the last entry with a rate sets it";

  // A built-in device by name, with the document's own settings on top.
  MockConnection preset;
  test::configureWith(preset, folder,
                      "{\"preset\": \"default\", \"card\": \"card\", \"cardFileBytes\": 4096}");
  EXPECT_TRUE(preset.open());
}

}  // namespace
}  // namespace zav

// Configuration files for the simulated device: what it makes of a good one, and for one it
// cannot use, a failed open with one line that says why.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "transport/mock_test_helpers.h"

namespace zav {
namespace {

using test::deviceWith;
using test::kNul;
using test::signalEntry;

const nlohmann::json kEeg = signalEntry("EEG", 8, 3, 1, 1, 500, {1.0});

std::string withEntry(const nlohmann::json& entry) {
  return deviceWith({kEeg, entry}).dump();
}
nlohmann::json changed(const char* key, const nlohmann::json& value) {
  nlohmann::json entry = kEeg;
  if (value.is_discarded())
    entry.erase(key);
  else
    entry[key] = value;
  return entry;
}

TEST(MockConfigurationTest, UnusableDocumentsFailTheOpenWithALineSayingWhy) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"signals\": [", ": not valid JSON\n"},
      {"", ": not valid JSON\n"},
      {"[1, 2]", ": the top level is not an object\n"},
      {"{\"signals\": 5}", ": \"signals\" is not a list\n"},
      {"{\"signals\": [7]}", ": signal entry 0: not an object\n"},
      {"{\"signal\": []}", "unknown key \"signal\""},
      {deviceWith({kEeg}).dump().insert(1, "\"card_file\": 1, "), "unknown key \"card_file\""},
      {"{}", "missing key \"signals\""},
      {"{\"card\": \"card\"}", "missing key \"signals\""},
      {"{\"signals\": []}", "\"signals\" lists no signal"},
      {"{\"signals\": [{\"type\": \"batteries\", \"mode\": 1}]}", "\"signals\" lists no signal"},
      {"{\"preset\": \"default\", \"battery\": {\"millivolts\": 70000}}", "battery: \"millivolts\""},
      {"{\"preset\": \"default\", \"cardFileBytes\": 0}", "\"cardFileBytes\""},
      {"{\"preset\": \"default\", \"card\": 7}", "\"card\""},
      {nlohmann::json{{"signals", {kEeg}}, {"markers", {{"every", 0}}}}.dump(), "markers: \"every\""},
      {nlohmann::json{{"signals", {kEeg}}, {"markers", 2}}.dump(), "\"markers\" is not an object"},
      {nlohmann::json{{"referenceWave", {{"channel", 0}}}}.dump(), "referenceWave: \"channel\" is 0"},
      {withEntry(changed("type", 5)), "signal entry 1: \"type\""},
      {withEntry(changed("type", nlohmann::json::value_t::discarded)),
       "signal entry 1: missing key \"type\""},
      // Shapes that cannot pace or be encoded, or that the signal list cannot print.
      {withEntry(signalEntry("EEG", 8, 3, 0, 1, 500)), "(EEG): \"blockSize\" is 0"},
      {withEntry(signalEntry("EEG", 8, 3, 20, 1, 10)),
       "(EEG): \"sr\" / \"blockSize\" gives fewer than 1 block"},
      {withEntry(signalEntry("EEG", 8, 3, 1, 1, 0)), "fewer than 1 block per second"},
      {withEntry(signalEntry("EEG", 8, 3, 1, 1, -500)), "fewer than 1 block per second"},
      {withEntry(signalEntry("EEG", -1, 3, 1, 1, 500)), "\"channels\" is -1"},
      {withEntry(signalEntry("EEG", 100, 3, 1, 1, 500)), "\"channels\" is 100"},
      {withEntry(signalEntry("EEG", 8, 9, 1, 1, 500)), "\"bytes\" is 9"},
      {withEntry(signalEntry("EEG", 8, 0, 1, 1, 500)), "\"bytes\" is 0"},
      {withEntry(signalEntry("EEG", 8, 3, 1, 200, 500)), "\"mode\" is 200"},
      {withEntry(signalEntry("distances", 0, 2, 1, 1, 500)), "(distances): \"channels\" is 0"},
  };
  for (const char* key : {"channels", "bytes", "blockSize", "mode", "sr"}) {
    cases.push_back({withEntry(changed(key, nlohmann::json::value_t::discarded)),
                     std::string("signal entry 1 (EEG): missing key \"") + key + "\""});
  }
  const std::pair<const char*, nlohmann::json> wrongTypes[] = {
      {"channels", "8"},  {"channels", 8.5},        {"bytes", nullptr}, {"sr", true},
      {"values", "1, 2"}, {"values", {1.0, "two"}}, {"mode", 1e12},     {"channels", 5000000000LL}};
  for (const auto& [key, value] : wrongTypes) {
    cases.push_back({withEntry(changed(key, value)), std::string("signal entry 1 (EEG): \"") + key + "\""});
  }
  for (const auto& [text, reason] : cases) {
    SCOPED_TRACE(text);
    test::TempFolder folder;
    MockConnection connection;
    test::configureWith(connection, folder, text);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(connection.open());
    const std::string lines = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(connection.isConnected());
    EXPECT_EQ(lines.rfind("invalid simulated device configuration ", 0), 0u) << lines;
    EXPECT_NE(lines.find(reason), std::string::npos) << lines;
  }

  MockConnection connection;
  test::setProperty(connection, "configuration", "missing.json");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "cannot read simulated device configuration missing.json\n");
  test::setProperty(connection, "preset", "fancy");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "unknown simulated device preset fancy\n");
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
  test::configureWith(connection, folder,
                      deviceWith({changed("values", nlohmann::json::value_t::discarded),
                                  signalEntry("distances", 3, 2, 4, 1, 40, {1.0, 2.0}),
                                  sdCard,
                                  {{"type", "batteries"}, {"mode", 1}, {"blockSize", 10}, {"sr", 600}}}));
  ASSERT_TRUE(connection.open());
  EXPECT_EQ(test::ask(connection, "gc"),
            "EEG  , 08, 03, 01, 01ANC  , 02, 02, 03, 01ANC  , 02, 02, 03, 01"
            "ANC  , 02, 02, 03, 01uSD  , xx, xx, xx, 00" +
                kNul);
  EXPECT_EQ(test::ask(connection, "gf"), "60" + kNul) << "the last entry with a rate sets it";

  // A built-in device by name, with the document's own settings on top.
  MockConnection preset;
  test::configureWith(preset, folder,
                      "{\"preset\": \"default\", \"card\": \"card\", \"cardFileBytes\": 4096}");
  EXPECT_TRUE(preset.open());
}

}  // namespace
}  // namespace zav

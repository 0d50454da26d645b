// The simulated device through the Connection operations (this program counts every operator new).
#include "transport/mock_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "common/byte_order.h"
#include "record/record_header.h"
#include "support/allocation_counter.h"
#include "support/temp_folder.h"

namespace zav {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

nlohmann::json signalEntry(const std::string& type, int channels, int bytes, int blockSize, int mode, int sr,
                           std::vector<double> values = {}) {
  return {{"type", type}, {"channels", channels}, {"bytes", bytes}, {"blockSize", blockSize}, {"mode", mode},
          {"sr", sr},     {"values", values}};
}

const nlohmann::json kEeg = signalEntry("EEG", 8, 3, 1, 1, 500, {1.0});
// Two small signals at 4000 blocks per second, so streaming tests never wait long.
const nlohmann::json kFastDevice = {
    {"signals", {signalEntry("EEG", 2, 3, 1, 1, 4000), signalEntry("ACC", 3, 2, 1, 1, 4000)}}};
constexpr std::size_t kBlockBytes = 9 + 2 * 3;  // the fast device's, and the card device's

// A device whose second entry is kEeg with the key set to the value, or without the key for null.
std::string withChanged(const char* key, const nlohmann::json& value) {
  nlohmann::json entry = kEeg;
  if (value.is_null())
    entry.erase(key);
  else
    entry[key] = value;
  return nlohmann::json{{"signals", {kEeg, entry}}}.dump();
}

std::string openFailure(const PropertyValues& properties) {
  MockConnection connection;
  connection.setProperties(properties);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(connection.open());
  return testing::internal::GetCapturedStdout();
}

class MockConnectionTest : public testing::Test {
 protected:
  // Points the connection at a file holding the document (a string is written as it stands) and opens it.
  bool open(const nlohmann::json& document, const std::string& file = "device.json") {
    test::writeFile(folder / file, document.is_string() ? document.get<std::string>() : document.dump());
    connection.setProperties({{"configuration", (folder / file).string()}});
    return connection.open();
  }

  void send(const std::string& bytes) {
    connection.write(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  }
  // Sends the command, then takes everything the device has to say (it answers at once or not at all).
  std::string ask(const std::string& command) {
    send(command);
    std::string bytes;
    uint8_t buffer[64];
    for (int32_t got; (got = connection.read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, buffer + got);
    return bytes;
  }
  std::vector<uint8_t> readBlock(std::size_t size) {
    std::vector<uint8_t> block;
    for (uint8_t byte = 0; block.size() < size && connection.read(&byte, 1) == 1;) block.push_back(byte);
    return block;
  }
  static uint16_t sequenceOf(const std::vector<uint8_t>& block) { return readU16BE(block.data() + 2); }

  test::TempFolder folder;
  MockConnection connection;
};

TEST(MockConfigurationTest, UnusableDocumentsFailTheOpenWithALineSayingWhy) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"signals\": [", ": not valid JSON\n"},
      {"[1, 2]", ": the top level is not an object\n"},
      {"{\"signals\": 5}", ": \"signals\" is not a list\n"},
      {"{\"signals\": [7]}", ": signal entry 0: not an object\n"},
      {"{\"signal\": []}", "unknown key \"signal\""},
      {nlohmann::json{{"signals", {kEeg}}}.dump().insert(1, "\"card_file\": 1, "),
       "unknown key \"card_file\""},
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
      {nlohmann::json{{"signals", {kEeg, signalEntry("distances", 0, 2, 1, 1, 500)}}}.dump(),
       "(distances): \"channels\" is 0"},
  };
  // Integers are read alike: the mode apart, the shape in one loop.
  const std::pair<const char*, nlohmann::json> wrongTypes[] = {
      {"channels", "8"},          {"mode", 1e12},        {"values", "1, 2"}, {"values", {1.0, "two"}},
      {"channels", 5000000000LL}, {"channels", nullptr}, {"mode", nullptr},
  };
  for (const auto& [key, value] : wrongTypes)
    cases.push_back({withChanged(key, value),
                     "signal entry 1 (EEG): "s + (value.is_null() ? "missing key \"" : "\"") + key + "\""});
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

TEST_F(MockConnectionTest, SampleFreeEntriesNeedNoShapeDistancesExpandAndAnotherFileReplacesTheSignals) {
  // A file that failed to open opens once it is fixed.
  testing::internal::CaptureStdout();
  EXPECT_FALSE(open("{\"signals\": [1"));
  testing::internal::GetCapturedStdout();

  // As a device writes its SD-card entry: zeros for a shape it does not have, no values.
  nlohmann::json sdCard = signalEntry("uSD", 0, 0, 0, 0, 0);
  sdCard.erase("values");
  nlohmann::json eeg = kEeg;
  eeg.erase("values");
  const nlohmann::json batteries = {{"type", "batteries"}, {"mode", 1}, {"blockSize", 10}, {"sr", 600}};
  ASSERT_TRUE(
      open({{"signals", {eeg, signalEntry("distances", 3, 2, 4, 1, 40, {1.0, 2.0}), sdCard, batteries}}}));
  EXPECT_EQ(ask("gc"),
            "EEG  , 08, 03, 01, 01ANC  , 02, 02, 03, 01ANC  , 02, 02, 03, 01"
            "ANC  , 02, 02, 03, 01uSD  , xx, xx, xx, 00\0"s);
  EXPECT_EQ(ask("gf"), "60\0"s) << "the last entry with a rate sets it";

  ASSERT_TRUE(connection.close());
  ASSERT_TRUE(open({{"signals", {signalEntry("GSR", 1, 2, 1, 1, 10)}}}, "other.json"));
  EXPECT_EQ(ask("gc") + ask("gf"), "GSR  , 01, 02, 01, 01\0"s + "10\0"s);
}

TEST_F(MockConnectionTest, AnswersCommandsSetCommandsWaitForTheirParametersAndUnknownOnesDropTheInput) {
  ASSERT_TRUE(open(kFastDevice));
  const std::string changed = "EEG  , 02, 03, 01, 00ACC  , 03, 02, 01, 01\0"s;
  // clang-format off
  const std::pair<std::string, std::string> conversation[] = {
      {"gf", "4000\0"s}, {"gc", "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, 01\0"s},
      {"cc", ""}, {"\x00\x01"s, "OK\0"s}, {"gc", changed},  // "cc" waits for the mode bytes
      // Modes that a signal record cannot print are refused whole; the old ones stay.
      {"cc\x01\x64", "ERR\0"s}, {"cc\x01\xF6", "ERR\0"s}, {"gc", changed},
      {"cd", ""}, {"data\0"s, "data"}, {"carec.sdf\0"s, "rec.sdf"}, {"gd", "data\0"s}, {"ga", "rec.sdf\0"s},
      // 1 March 2020, 14:05:09; the seconds byte arrives apart.
      {"ct\x07\xE4\x03\x01\x0E\x05", ""}, {"\x09", "1/3/2020 14:5:9\0"s},
      // Clock mode, in and out.
      {"ck", ""}, {"a", "OK\0"s},
  };
  // clang-format on
  for (const auto& [command, answer] : conversation) EXPECT_EQ(ask(command), answer) << command;

  // Clock samples only in clock mode; an unknown command drops the whole input.
  testing::internal::CaptureStdout();
  for (const char* command : {"\x01", "x", "gq1", "cf\xF4\x01"}) EXPECT_EQ(ask(command), "");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "MockConnection::Impl::unknown_command\ninput buffer: \x01\n"
            "MockConnection::Impl::unknown_command\ninput buffer: x\n"
            "MockConnection::Impl::unknown_command\ninput buffer: g q 1\n"
            "MockConnection::Impl::unknown_command\ninput buffer: c f \xF4 \x01\n");
  EXPECT_EQ(ask("gf"), "4000\0"s) << "nothing was left behind";
  // An answer without terminator is no message: the read times out at once.
  send("cddata\0"s);
  uint8_t buffer[16] = {};
  EXPECT_EQ(connection.readUntil(buffer, sizeof buffer, 0), 0);
}

TEST_F(MockConnectionTest, StreamsBlocksInSequenceWithoutPayloadForSignalsOffAndIgnoresCommandsMeanwhile) {
  ASSERT_TRUE(open(kFastDevice));
  EXPECT_EQ(ask("cc\x01\xFF"), "OK\0"s) << "ACC off (a negative mode)";
  send("s");
  send("gv");
  send("cc\x00\x01"s);
  std::vector<uint8_t> blocks[2];
  for (std::vector<uint8_t>& block : blocks) {
    block = readBlock(kBlockBytes);
    ASSERT_EQ(block.size(), kBlockBytes);
    EXPECT_EQ(readU16BE(block.data()), 0xAA55)
        << "no answer to gv while streaming: the stream starts with a block";
  }
  EXPECT_EQ(sequenceOf(blocks[1]), static_cast<uint16_t>(sequenceOf(blocks[0]) + 1));
  send("p");
  EXPECT_EQ(ask(""), "") << "stopped with nothing pending: an immediate time-out";
  EXPECT_EQ(ask("gc"), "EEG  , 02, 03, 01, 01ACC  , 03, 02, 01, -1\0"s)
      << "the mode change sent while streaming was dropped";
  send("s");
  EXPECT_EQ(sequenceOf(readBlock(kBlockBytes)), static_cast<uint16_t>(sequenceOf(blocks[1]) + 1))
      << "a new start continues the sequence";
  send("p");
}

// The built-in device's signals, markers and reference wave, paced fast by one more signal.
TEST_F(MockConnectionTest, BlocksComeWithoutAllocatingOnceTheBuffersHaveGrown) {
  const nlohmann::json fast = signalEntry("EEG", 4, 3, 1, 1, 8000, {1.0, -2.0, 3.0});
  ASSERT_TRUE(open({{"preset", "default"}, {"signals", {fast}}}));
  send("s");
  std::vector<uint8_t> block(891 + 12);
  for (int i = 0; i < 52; ++i) {
    const uint64_t before = test::allocations();
    ASSERT_EQ(connection.read(block.data(), 1), 1);  // a reader that splits the block
    ASSERT_EQ(block[0], 0xAA);
    ASSERT_EQ(connection.read(block.data(), 891 + 12 - 1), 891 + 12 - 1);
    ASSERT_TRUE(i < 2 || test::allocations() == before) << "block " << i;
  }
  send("p");
}

constexpr std::size_t kFileBytes = 1000;

class MockSdCardTest : public MockConnectionTest {
 protected:
  void SetUp() override {
    const nlohmann::json device = {
        {"signals", {signalEntry("EEG", 2, 3, 1, 1, 4000), signalEntry("uSD", 0, 0, 0, 0, 0)}},
        {"card", card.string()},
        {"cardFileBytes", kFileBytes}};
    ASSERT_TRUE(open(device));
  }

  // Streams count blocks with the recorder in the mode; occupied becomes a folder after block 0.
  std::string stream(int count, const std::string& occupied = "", char mode = 1) {
    EXPECT_EQ(ask("cc\x01"s + mode), "OK\0"s);
    send("s");
    std::string bytes;
    for (int i = 0; i < count; ++i) {
      const std::vector<uint8_t> block = readBlock(kBlockBytes);
      bytes.append(block.begin(), block.end());
      if (i == 0 && !occupied.empty()) fs::create_directories(card.path() / occupied);
    }
    send("p");
    return bytes;
  }
  static std::size_t fileCount(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  test::TempFolder card;
};

TEST_F(MockSdCardTest, RecordsTheStreamedBlocksBehindAHeaderInNumberedFilesSplitAtTheLimit) {
  stream(1, "", 0);
  EXPECT_TRUE(fs::is_empty(card.path())) << "nothing with the recorder off";

  EXPECT_EQ(ask("cddata\\run1\\\0"s), "data\\run1\\");
  EXPECT_EQ(ask("carec.sdf\0"s), "rec.sdf");
  stream(150);
  const fs::path folder = card.path() / "data" / "run1";
  const std::size_t files = fileCount(folder);
  ASSERT_GE(files, 3u);
  const std::string firstFile = test::readFile(folder / "0_rec.sdf");
  const std::string header = firstFile.substr(0, firstFile.find("\xAA\x55"));
  EXPECT_NE(header.find("uSD  , xx, xx, xx, 01\0Cal"s), std::string::npos) << "the recorder's entry on";
  const RecordHeader read = readRecordHeader(folder / "0_rec.sdf");
  EXPECT_EQ(read.frequency, 4000);
  ASSERT_TRUE(read.layout.present) << "a place on the cap for each EEG channel";
  EXPECT_EQ(read.layout.codes, (std::vector<uint8_t>{1, 2}));
  EXPECT_NE(std::make_pair(read.layout.xpos[0], read.layout.ypos[0]),
            std::make_pair(read.layout.xpos[1], read.layout.ypos[1]));
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
  EXPECT_EQ(ask("cd..\\outside\0"s), "..\\outside");
  testing::internal::CaptureStdout();
  std::string bytes = stream(5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "simulated SD card: cannot record into folder ..\\outside; recording stopped\n");
  EXPECT_EQ(bytes.size(), 5 * kBlockBytes);
  EXPECT_EQ(bytes[7], 3);
  EXPECT_TRUE(fs::is_empty(card.path()));
  EXPECT_FALSE(fs::exists(card.path().parent_path() / "outside"));

  // The next file cannot be created: what was recorded stays, the stream goes on (file error).
  EXPECT_EQ(ask("cddata\0"s), "data");
  testing::internal::CaptureStdout();
  bytes = stream(150, "data/1_mock_filename.sdf");
  const std::string lines = testing::internal::GetCapturedStdout();
  EXPECT_EQ(bytes.size(), 150 * kBlockBytes);
  EXPECT_EQ(bytes[bytes.size() - kBlockBytes + 7], 5);
  EXPECT_EQ(lines.rfind("simulated SD card: cannot create file ", 0), 0u) << lines;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
  EXPECT_EQ(fileCount(card.path() / "data"), 2u);
  EXPECT_GT(fs::file_size(card.path() / "data" / "0_mock_filename.sdf"), kFileBytes - kBlockBytes);
}

}  // namespace
}  // namespace zav

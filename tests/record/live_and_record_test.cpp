#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "driver/block_reader.h"
#include "record/importer.h"
#include "support/record_writer.h"
#include "support/scripted_connection.h"
#include "support/temp_folder.h"

namespace zav::test {
namespace {

using namespace std::string_literals;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct LayoutCase {
  const char* name;
  SignalList signals;  // as the device lists them
  std::string payload;
  std::vector<double> values;  // NaN: passed over, not decoded
};

std::vector<double> liveValues(const LayoutCase& c, const std::string& block) {
  ScriptedConnection device;
  device.open();
  BlockReader reader(&device);
  reader.configure(c.signals);
  device.feed(block);
  std::vector<double> values(8, 99.0);  // what an earlier block left
  uint16_t sequence = 0, battery = 0, flags = 0;
  EXPECT_TRUE(reader.readAndDecode(values, sequence, battery, flags));
  return values;
}

std::vector<double> importedValues(const LayoutCase& c, const std::string& block) {
  SignalList recorded = c.signals;
  recorded.erase(std::remove_if(recorded.begin(), recorded.end(), isSdCard), recorded.end());
  const RecordWriter writer(recorded);
  const TempFolder folder;
  writeFile(folder / "0_rec.bin", writer.header() + block);
  const Importer importer(folder.string(), "rec");
  const auto stream = importer.stream();
  const BaseImporter::Block* imported = stream->next();  // a filler would read all NaN
  EXPECT_NE(imported, nullptr);
  return imported != nullptr ? imported->data : std::vector<double>();
}

std::string shown(const std::vector<double>& values) {
  std::string text;
  for (double value : values) text += (std::isnan(value) ? "nan" : std::to_string(value)) + " ";
  return text;
}

TEST(LiveAndRecord, DecodeTheSameBytesAlike) {
  const LayoutCase cases[] = {
      // 200 is on (its bytes are in the block) but its low byte is negative: not decoded.
      {"modes 200 and 1", {{"BVP", 1, 2, 1, 200}, {"BVP", 1, 2, 1, 1}}, "\x00\x07\x00\x2A"s, {kNaN, 42}},
      {"mode 0 and uSD take nothing",
       {{"BVP", 1, 2, 1, 1}, {"GSR", 1, 1, 1, 0}, {kSdCardType, 0, 0, 0, 1}, {"BVP", 2, 1, 1, 1}},
       "\x01\x02\x05\x09"s,
       {258, 5, 9}},
      {"modes 256 and 257 go by their low byte",
       {{"BVP", 1, 1, 1, 256}, {"BVP", 1, 1, 1, 257}},
       "\x03\x04"s,
       {kNaN, 4}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string block = frameBlock(7, c.payload);
    EXPECT_EQ(shown(liveValues(c, block)), shown(c.values));
    EXPECT_EQ(shown(importedValues(c, block)), shown(c.values));
  }
}

}  // namespace
}  // namespace zav::test

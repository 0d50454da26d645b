// The text header that starts every file of an SD-card record, written as a device writes
// it: description, block rate and signal list, each ended by a NUL byte, then optionally
// the electrode layout field ("Cal", its text and a NUL byte). The data blocks follow.
// Kept here, below every reader and writer of records, so that the simulated device and
// the test records write the one format that the import reads.
//
//     RecordHeaderFields fields{"my record", 32, signalListText, std::nullopt};
//     file << recordHeaderText(fields);
//     file << layoutFieldText("cap", {{1000, 1000, 1}}, 2000, 2000);  // in hundredths
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zav::record_text {

struct RecordHeaderFields {
  std::string description;  // free text without NUL bytes
  uint32_t frequency = 0;   // blocks per second
  std::string signalList;   // the device's 21-character records, SD-card entry included
  // What follows "Cal" in the layout field; none: the header has no layout field.
  std::optional<std::string> layout;
};

std::string recordHeaderText(const RecordHeaderFields& fields);

// One electrode of a layout, its position in hundredths of the layout's unit.
struct LayoutElectrode {
  int32_t x = 0;
  int32_t y = 0;
  uint8_t code = 0;
};

// The layout field's text after "Cal": the name (no commas in it), then the x list, the y
// list, the codes in hexadecimal (items separated by '|'), and the extent in hundredths.
std::string layoutFieldText(const std::string& name, const std::vector<LayoutElectrode>& electrodes,
                            int32_t maxX, int32_t maxY);

}  // namespace zav::record_text

// The electrode layout a record header may carry: position and code of each electrode
// and the extent of the layout, read from the header's "Cal" field and written out as a
// JSON document.
//
//     ElectrodeLayout layout = parseLayoutField(",125|450,300|300,1|2,2000,1550");
//     writeLayoutFile(layout, "layout.json");
//     // [{"Dimension":{"MaxX":20.0,"MaxY":15.5}},{"letter":"A","name":"ZAV-QLX-RMP001",...},...]
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zav {

struct ElectrodeLayout {
  std::vector<double> xpos;
  std::vector<double> ypos;
  double maxX = 0.0;
  double maxY = 0.0;
  std::vector<uint8_t> codes;
  bool present = false;
};

// Reads the text that follows "Cal" in a header, up to (not including) its NUL.
ElectrodeLayout parseLayoutField(const std::string& text);

// Spreadsheet column letters of an electrode index: A ... Z, AA ... ZZ, AAA, ...
std::string electrodeLetter(std::size_t index);
// "ZAV-QLX-RMP" and the code in three upper-case hexadecimal digits.
std::string electrodeName(uint8_t code);
// The compact JSON document; electrodes up to the shortest of the three lists.
std::string layoutDocument(const ElectrodeLayout& layout);
// Writes the document to path (text mode, replacing the file); a path that cannot be
// created gets no file. Does nothing when the layout is not present.
void writeLayoutFile(const ElectrodeLayout& layout, const std::string& path);

}  // namespace zav

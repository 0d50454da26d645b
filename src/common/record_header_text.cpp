#include "common/record_header_text.h"

#include <cstdio>

namespace zav::record_text {

std::string recordHeaderText(const RecordHeaderFields& fields) {
  std::string text =
      fields.description + '\0' + std::to_string(fields.frequency) + '\0' + fields.signalList + '\0';
  if (fields.layout) text += "Cal" + *fields.layout + '\0';
  return text;
}

std::string layoutFieldText(const std::string& name, const std::vector<LayoutElectrode>& electrodes,
                            int32_t maxX, int32_t maxY) {
  std::string xs;
  std::string ys;
  std::string codes;
  for (std::size_t i = 0; i < electrodes.size(); ++i) {
    const LayoutElectrode& electrode = electrodes[i];
    const char* separator = i == 0 ? "" : "|";
    char code[8];
    std::snprintf(code, sizeof code, "%X", electrode.code);
    xs += separator + std::to_string(electrode.x);
    ys += separator + std::to_string(electrode.y);
    codes += separator + std::string(code);
  }
  return name + ',' + xs + ',' + ys + ',' + codes + ',' + std::to_string(maxX) + ',' + std::to_string(maxY);
}

}  // namespace zav::record_text

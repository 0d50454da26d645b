#include "record/electrode_layout.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

namespace zav {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int digitValue(char c, int base) {
  int value = 99;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

// A number at the start of item as stream extraction reads it: leading blanks, an
// optional sign (decimal only), digits up to the first other character. No number
// reads as 0; a number too large for 32 bits is clamped.
int64_t leadingNumber(const std::string& item, int base) {
  std::size_t i = 0;
  while (i < item.size() && isBlank(item[i])) ++i;
  bool negative = false;
  if (base == 10 && i < item.size() && (item[i] == '-' || item[i] == '+')) negative = item[i++] == '-';
  int64_t value = 0;
  for (int digit = 0; i < item.size() && (digit = digitValue(item[i], base)) >= 0; ++i) {
    value = std::min<int64_t>(value * base + digit, int64_t{1} << 32);
  }
  return negative ? -value : value;
}

std::vector<std::string> split(const std::string& text, char separator) {
  // The pieces a getline loop yields: nothing for an empty text, no empty last piece.
  std::vector<std::string> pieces;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find(separator, begin);
    if (end == std::string::npos) end = text.size();
    pieces.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return pieces;
}

std::vector<double> hundredths(const std::string& field) {
  std::vector<double> values;
  for (const std::string& item : split(field, '|')) values.push_back(leadingNumber(item, 10) / 100.0);
  return values;
}

}  // namespace

ElectrodeLayout parseLayoutField(const std::string& text) {
  ElectrodeLayout layout;
  if (text.size() >= 2 && static_cast<uint8_t>(text[0]) == 0xAA && static_cast<uint8_t>(text[1]) == 0x55) {
    return layout;
  }
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return layout;
  const std::string rest = text.substr(comma + 1);
  if (!rest.empty() && rest[0] == 'N') return layout;
  const std::vector<std::string> fields = split(rest, ',');
  if (fields.size() < 5) return layout;  // an incomplete layout is not taken

  layout.xpos = hundredths(fields[0]);
  layout.ypos = hundredths(fields[1]);
  for (const std::string& item : split(fields[2], '|')) {
    layout.codes.push_back(static_cast<uint8_t>(leadingNumber(item, 16) & 0xFF));
  }
  layout.maxX = leadingNumber(fields[3], 10) / 100.0;
  layout.maxY = leadingNumber(fields[4], 10) / 100.0;
  layout.present = true;
  return layout;
}

std::string electrodeLetter(std::size_t index) {
  std::string letters;
  for (std::size_t n = index + 1; n > 0; n = (n - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return letters;
}

std::string electrodeName(uint8_t code) {
  char name[32];
  std::snprintf(name, sizeof name, "ZAV-QLX-RMP%03X", code);
  return name;
}

std::string layoutDocument(const ElectrodeLayout& layout) {
  nlohmann::json document = nlohmann::json::array();
  document.push_back({{"Dimension", {{"MaxX", layout.maxX}, {"MaxY", layout.maxY}}}});
  const std::size_t electrodes = std::min({layout.xpos.size(), layout.ypos.size(), layout.codes.size()});
  for (std::size_t i = 0; i < electrodes; ++i) {
    document.push_back({{"name", electrodeName(layout.codes[i])},
                        {"xpos", layout.xpos[i]},
                        {"ypos", layout.ypos[i]},
                        {"letter", electrodeLetter(i)}});
  }
  return document.dump();
}

void writeLayoutFile(const ElectrodeLayout& layout, const std::string& path) {
  if (!layout.present) return;
  std::ofstream out(path, std::ios::out | std::ios::trunc);
  if (out) out << layoutDocument(layout);
}

}  // namespace zav

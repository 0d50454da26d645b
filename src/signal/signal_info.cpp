#include "signal/signal_info.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "common/text_fields.h"

namespace zav {

const char* const kSdCardType = "uSD";

SignalInfo::SignalInfo(std::string type_, int32_t channels_, int32_t bytes_, int32_t blockSize_,
                       int32_t mode_)
    : type(std::move(type_)), channels(channels_), bytes(bytes_), blockSize(blockSize_), mode(mode_) {
  if (type == kSdCardType) {
    channels = 0;
    bytes = 0;
    blockSize = 0;
  }
}

bool SignalInfo::operator==(const SignalInfo& other) const {
  return sameShape(*this, other) && mode == other.mode;
}

bool isSdCard(const SignalInfo& info) { return info.type == kSdCardType; }

namespace {

std::string trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text::isBlank(text[begin])) ++begin;
  while (end > begin && text::isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// A field without a number reads as 0.
int32_t readField(const std::string& record, std::size_t offset, std::size_t width) {
  return text::readUnsigned16(std::string_view(record).substr(offset, width)).value_or(0);
}

}  // namespace

SignalList parseSignalList(const std::string& text) {
  SignalList list;
  for (std::size_t offset = 0; offset + kSignalRecordLength <= text.size(); offset += kSignalRecordLength) {
    const std::string record = text.substr(offset, kSignalRecordLength);
    list.emplace_back(trimmed(record.substr(0, 5)), readField(record, 6, 3), readField(record, 10, 3),
                      readField(record, 14, 3), readField(record, 18, 3));
  }
  return list;
}

std::string signalRecordText(const SignalInfo& info) {
  char record[64];
  if (isSdCard(info)) {
    std::snprintf(record, sizeof record, "%-5s, xx, xx, xx, %02d", kSdCardType, info.mode);
  } else {
    std::snprintf(record, sizeof record, "%-5.5s, %02d, %02d, %02d, %02d", info.type.c_str(), info.channels,
                  info.bytes, info.blockSize, info.mode);
  }
  return record;
}

int32_t valuesPerBlock(const SignalInfo& info) { return info.mode >= 1 ? info.channels * info.blockSize : 0; }

int32_t bytesPerBlock(const SignalInfo& info) {
  return info.mode >= 1 ? info.channels * info.bytes * info.blockSize : 0;
}

uint64_t valuesPerBlock(const SignalList& list) {
  uint64_t total = 0;
  for (const SignalInfo& info : list) {
    const int32_t values = valuesPerBlock(info);
    if (values > 0) total += static_cast<uint64_t>(values);
  }
  return total;
}

uint64_t bytesPerBlock(const SignalList& list) {
  uint64_t total = 0;
  for (const SignalInfo& info : list) {
    const int32_t bytes = bytesPerBlock(info);
    if (bytes > 0) total += static_cast<uint64_t>(bytes);
  }
  return total;
}

bool sameShape(const SignalInfo& a, const SignalInfo& b) {
  return a.type == b.type && a.channels == b.channels && a.bytes == b.bytes && a.blockSize == b.blockSize;
}

std::string modeString(const SignalList& list) {
  std::string modes;
  modes.reserve(list.size());
  for (const SignalInfo& info : list) modes.push_back(static_cast<char>(info.mode & 0xFF));
  return modes;
}

std::string typeDisplayName(const std::string& type) {
  static const std::pair<const char*, const char*> kNames[] = {
      {"ExG_A", "ExG"},         {"GEN", "Analog AUX"},
      {"FOT", "Photodiode"},    {"DIN", "D in"},
      {"DOUT", "D out"},        {"COM", "Digital AUX"},
      {"ACC", "Accelerometer"}, {"GSR", "Galvanic Skin Response"},
      {"BVP", "Blood Volume Pulse"},
  };
  for (const auto& [code, name] : kNames) {
    if (type == code) return name;
  }
  return type;
}

std::string signalDisplayName(const SignalList& list, std::size_t index) {
  if (index >= list.size()) return {};
  const std::string& type = list[index].type;
  std::size_t k = 1;
  for (std::size_t i = index; i > 0 && list[i - 1].type == type; --i) ++k;
  const bool followedBySame = index + 1 < list.size() && list[index + 1].type == type;
  std::string name = typeDisplayName(type);
  if (k == 1 && !followedBySame) return name;
  return name + " [" + std::to_string(k) + "]";
}

}  // namespace zav

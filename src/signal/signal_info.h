// One signal of a device: its type code, shape and mode, with the derived sizes, the
// device's 21-character text form and the names shown to people.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zav {

struct SignalInfo {
  std::string type;
  int32_t channels = 0;
  int32_t bytes = 0;
  int32_t blockSize = 0;
  int32_t mode = 0;

  SignalInfo() = default;
  // "uSD" is the SD-card pseudo-signal: it keeps only its mode.
  SignalInfo(std::string type, int32_t channels, int32_t bytes, int32_t blockSize, int32_t mode);

  bool operator==(const SignalInfo& other) const;
};

using SignalList = std::vector<SignalInfo>;

constexpr std::size_t kSignalRecordLength = 21;
extern const char* const kSdCardType;  // "uSD"

bool isSdCard(const SignalInfo& info);

// Parses the device's signal list text: whole 21-character records, the rest ignored.
SignalList parseSignalList(const std::string& text);
// The device's text form of one record ("EEG  , 032, 003, 008, 001").
std::string signalRecordText(const SignalInfo& info);

// channels x blockSize when on (mode >= 1), else 0.
int32_t valuesPerBlock(const SignalInfo& info);
// channels x bytes x blockSize when on, else 0.
int32_t bytesPerBlock(const SignalInfo& info);
// Sums over a list.
uint64_t valuesPerBlock(const SignalList& list);
uint64_t bytesPerBlock(const SignalList& list);
// Same type and shape; the mode is not compared.
bool sameShape(const SignalInfo& a, const SignalInfo& b);
// One byte per signal: the low 8 bits of its mode (the parameter of "cc").
std::string modeString(const SignalList& list);

// Display name of a type code ("Accelerometer" for "ACC"; unknown codes are themselves).
std::string typeDisplayName(const std::string& type);
// Display name of entry index, numbered "[k]" within a run of adjacent equal types.
std::string signalDisplayName(const SignalList& list, std::size_t index);

}  // namespace zav

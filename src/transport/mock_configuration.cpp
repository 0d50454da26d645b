#include "transport/mock_configuration.h"

#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>

#include "common/diagnostics.h"

namespace zav {

const char* const kDefaultPreset = "default";

namespace {

const char* const kDistancesType = "distances";
const char* const kBatteriesType = "batteries";
// The device's signal list prints every number in a two-character field.
constexpr int64_t kLargestField = 99;
constexpr int64_t kLargestSampleBytes = 8;

struct Entry {
  std::string type;
  int64_t channels = 0;
  int64_t bytes = 0;
  int64_t blockSize = 0;
  int64_t mode = 0;
  int64_t sr = 0;
  std::vector<double> values;
};

bool readInteger(const nlohmann::json& entry, const char* key, int64_t& out, std::string& error) {
  const auto found = entry.find(key);
  if (found == entry.end()) {
    error = std::string("missing key \"") + key + "\"";
    return false;
  }
  if (!found->is_number_integer()) {
    error = std::string("\"") + key + "\" is not an integer";
    return false;
  }
  constexpr int64_t kLargest = std::numeric_limits<int32_t>::max();
  constexpr int64_t kSmallest = std::numeric_limits<int32_t>::min();
  if (found->is_number_unsigned()) {
    const uint64_t value = found->get<uint64_t>();
    out = value > static_cast<uint64_t>(kLargest) ? kLargest + 1 : static_cast<int64_t>(value);
  } else {
    out = found->get<int64_t>();
  }
  if (out < kSmallest || out > kLargest) {
    error = std::string("\"") + key + "\" does not fit in 32 bits";
    return false;
  }
  return true;
}

bool readEntry(const nlohmann::json& json, Entry& entry, std::string& error) {
  if (!json.is_object()) {
    error = "not an object";
    return false;
  }
  const auto type = json.find("type");
  if (type == json.end()) {
    error = "missing key \"type\"";
    return false;
  }
  if (!type->is_string()) {
    error = "\"type\" is not a string";
    return false;
  }
  entry.type = type->get<std::string>();
  if (!readInteger(json, "channels", entry.channels, error) ||
      !readInteger(json, "bytes", entry.bytes, error) ||
      !readInteger(json, "blockSize", entry.blockSize, error) ||
      !readInteger(json, "mode", entry.mode, error) || !readInteger(json, "sr", entry.sr, error)) {
    return false;
  }
  const auto values = json.find("values");
  if (values == json.end()) {
    error = "missing key \"values\"";
    return false;
  }
  if (!values->is_array()) {
    error = "\"values\" is not a list";
    return false;
  }
  entry.values.reserve(values->size());
  for (const nlohmann::json& value : *values) {
    if (!value.is_number()) {
      error = "\"values\" holds something that is not a number";
      return false;
    }
    entry.values.push_back(value.get<double>());
  }
  return true;
}

bool inRange(int64_t value, int64_t smallest, int64_t largest, const char* key, std::string& error) {
  if (value >= smallest && value <= largest) return true;
  error = std::string("\"") + key + "\" is " + std::to_string(value) + ", outside " +
          std::to_string(smallest) + " to " + std::to_string(largest);
  return false;
}

// Shapes that the block layout and the two-character signal list fields can carry.
bool checkShape(const Entry& entry, std::string& error) {
  if (!inRange(entry.mode, -9, kLargestField, "mode", error)) return false;
  if (entry.type == kBatteriesType || entry.type == kSdCardType) return true;
  if (entry.type == kDistancesType) return inRange(entry.channels, 1, kLargestField, "channels", error);
  return inRange(entry.channels, 1, kLargestField, "channels", error) &&
         inRange(entry.bytes, 1, kLargestSampleBytes, "bytes", error) &&
         inRange(entry.blockSize, 1, kLargestField, "blockSize", error);
}

bool checkRate(const Entry& entry, std::string& error) {
  if (entry.blockSize <= 0) {
    error = "\"blockSize\" must be at least 1";
    return false;
  }
  if (entry.sr / entry.blockSize < 1) {
    error = "\"sr\" / \"blockSize\" gives fewer than 1 block per second";
    return false;
  }
  return true;
}

void addSignals(Entry&& entry, MockSetup& setup) {
  const auto channels = static_cast<int32_t>(entry.channels);
  const auto mode = static_cast<int32_t>(entry.mode);
  if (entry.type == kBatteriesType) return;
  if (entry.type == kDistancesType) {
    for (int32_t i = 0; i < channels; ++i) {
      setup.signals.push_back({SignalInfo("ANC", 2, 2, channels, mode), entry.values});
    }
    return;
  }
  setup.signals.push_back({SignalInfo(entry.type, channels, static_cast<int32_t>(entry.bytes),
                                      static_cast<int32_t>(entry.blockSize), mode),
                           std::move(entry.values)});
}

void reportInvalid(const std::string& origin, const std::string& reason) {
  diag::line("invalid simulated device configuration ", origin, ": ", reason);
}

}  // namespace

bool addMockConfiguration(const nlohmann::json& document, const std::string& origin, MockSetup& setup) {
  if (!document.is_object()) {
    reportInvalid(origin, "the top level is not an object");
    return false;
  }
  const auto signals = document.find("signals");
  if (signals == document.end()) return true;
  if (!signals->is_array()) {
    reportInvalid(origin, "\"signals\" is not a list");
    return false;
  }
  std::size_t index = 0;
  for (const nlohmann::json& json : *signals) {
    Entry entry;
    std::string error;
    if (!readEntry(json, entry, error) || !checkRate(entry, error) || !checkShape(entry, error)) {
      reportInvalid(origin, "signal entry " + std::to_string(index) + ": " + error);
      return false;
    }
    setup.frequency = static_cast<int32_t>(entry.sr / entry.blockSize);
    addSignals(std::move(entry), setup);
    ++index;
  }
  return true;
}

bool addMockConfigurationFile(const std::string& path, MockSetup& setup) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    diag::line("cannot read simulated device configuration ", path);
    return false;
  }
  const nlohmann::json document = nlohmann::json::parse(file, nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) {
    reportInvalid(path, "not valid JSON");
    return false;
  }
  return addMockConfiguration(document, path, setup);
}

bool addMockPreset(const std::string& name, MockSetup& setup) {
  if (name != kDefaultPreset) {
    diag::line("unknown simulated device preset ", name);
    return false;
  }
  return addMockConfiguration(defaultSimulatedDevice(), std::string("preset ") + kDefaultPreset, setup);
}

}  // namespace zav

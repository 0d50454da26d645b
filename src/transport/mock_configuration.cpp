#include "transport/mock_configuration.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <fstream>
#include <limits>
#include <utility>
#include <nlohmann/json.hpp>

#include "common/diagnostics.h"

namespace zav {

const char* const kDefaultPreset = "default";
const char* const kLeftPreset = "left";
const char* const kRightPreset = "right";

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

// Signals that carry no samples: the device lists them, but their shape means nothing.
bool carriesNoSamples(const std::string& type) { return type == kBatteriesType || type == kSdCardType; }

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
  if (!readInteger(json, "mode", entry.mode, error)) return false;
  for (auto [key, field] : {std::pair{"channels", &entry.channels}, std::pair{"bytes", &entry.bytes},
                            std::pair{"blockSize", &entry.blockSize}, std::pair{"sr", &entry.sr}}) {
    if (carriesNoSamples(entry.type) && json.find(key) == json.end()) continue;
    if (!readInteger(json, key, *field, error)) return false;
  }
  const auto values = json.find("values");
  if (values == json.end()) return true;
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
  if (!inRange(entry.mode, kMockSmallestMode, kMockLargestMode, "mode", error)) return false;
  if (carriesNoSamples(entry.type)) return true;
  if (entry.type == kDistancesType) return inRange(entry.channels, 1, kLargestField, "channels", error);
  return inRange(entry.channels, 1, kLargestField, "channels", error) &&
         inRange(entry.bytes, 1, kLargestSampleBytes, "bytes", error) &&
         inRange(entry.blockSize, 1, kLargestField, "blockSize", error);
}

bool hasRate(const Entry& entry) { return entry.blockSize >= 1 && entry.sr / entry.blockSize >= 1; }

bool checkRate(const Entry& entry, std::string& error) {
  // An entry without samples has no rate of its own and leaves the device's as it is.
  if (carriesNoSamples(entry.type) || hasRate(entry)) return true;
  if (entry.blockSize < 1) {
    error = "\"blockSize\" must be at least 1";
    return false;
  }
  error = "\"sr\" / \"blockSize\" gives fewer than 1 block per second";
  return false;
}

bool readNumber(const nlohmann::json& object, const char* key, double smallest, double& out,
                std::string& error) {
  const auto found = object.find(key);
  if (found == object.end()) return true;
  if (!found->is_number() || !(found->get<double>() >= smallest) || !std::isfinite(found->get<double>())) {
    error = std::string("\"") + key + "\" is not a number of at least " + std::to_string(smallest);
    return false;
  }
  out = found->get<double>();
  return true;
}

bool readMarkers(const nlohmann::json& document, MockMarkers& markers, std::string& error) {
  const auto found = document.find("markers");
  if (found == document.end()) return true;
  if (!found->is_object()) {
    error = "\"markers\" is not an object";
    return false;
  }
  markers.everySeconds = 2.0;
  if (!readNumber(*found, "every", 0.5, markers.everySeconds, error)) {
    error = "markers: " + error;
    return false;
  }
  return true;
}

bool readReferenceWave(const nlohmann::json& document, MockReferenceWave& wave, std::string& error) {
  const auto found = document.find("referenceWave");
  if (found == document.end()) return true;
  int64_t channel = 0;
  if (!found->is_object() || !readInteger(*found, "channel", channel, error) ||
      !inRange(channel, 1, kLargestField, "channel", error) ||
      !readNumber(*found, "frequency", 0.0, wave.frequency, error) ||
      !readNumber(*found, "amplitude", 0.0, wave.amplitude, error)) {
    error = "referenceWave: " + (found->is_object() ? error : std::string("not an object"));
    return false;
  }
  wave.channel = static_cast<int32_t>(channel - 1);
  return true;
}

bool readBattery(const nlohmann::json& document, MockBattery& battery, std::string& error) {
  const auto found = document.find("battery");
  if (found == document.end()) return true;
  int64_t millivolts = battery.millivolts;
  if (!found->is_object() ||
      (found->contains("millivolts") && (!readInteger(*found, "millivolts", millivolts, error) ||
                                         !inRange(millivolts, 0, 0xFFFF, "millivolts", error))) ||
      !readNumber(*found, "drainPerMinute", 0.0, battery.drainPerMinute, error)) {
    error = "battery: " + (found->is_object() ? error : std::string("not an object"));
    return false;
  }
  battery.millivolts = static_cast<int32_t>(millivolts);
  return true;
}

bool readCard(const nlohmann::json& document, MockCard& card, std::string& error) {
  const auto folder = document.find("card");
  if (folder != document.end()) {
    if (!folder->is_string()) {
      error = "\"card\" is not a folder name";
      return false;
    }
    card.folder = folder->get<std::string>();
  }
  const auto fileBytes = document.find("cardFileBytes");
  if (fileBytes != document.end()) {
    const bool positive = fileBytes->is_number_unsigned()
                              ? fileBytes->get<uint64_t>() >= 1
                              : fileBytes->is_number_integer() && fileBytes->get<int64_t>() >= 1;
    if (!positive) {
      error = "\"cardFileBytes\" is not a whole number of at least 1";
      return false;
    }
    card.fileBytes = fileBytes->get<uint64_t>();
  }
  return true;
}

// A misspelt key would otherwise leave a device that streams nothing anyone asked for.
bool checkKeys(const nlohmann::json& document, std::string& error) {
  static const char* const kKeys[] = {"signals", "preset", "markers", "referenceWave",
                                      "battery", "card",   "cardFileBytes"};
  for (const auto& item : document.items()) {
    const bool known = std::any_of(std::begin(kKeys), std::end(kKeys),
                                   [&](const char* key) { return item.key() == key; });
    if (!known) {
      error = "unknown key \"" + item.key() + "\"";
      return false;
    }
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
  std::string error;
  if (!checkKeys(document, error)) {
    reportInvalid(origin, error);
    return false;
  }
  const auto preset = document.find("preset");
  if (preset != document.end()) {
    if (!preset->is_string()) {
      reportInvalid(origin, "\"preset\" is not a name");
      return false;
    }
    if (!addMockPreset(preset->get<std::string>(), setup)) return false;
  }
  if (!readMarkers(document, setup.markers, error) || !readReferenceWave(document, setup.referenceWave, error) ||
      !readBattery(document, setup.battery, error) || !readCard(document, setup.card, error)) {
    reportInvalid(origin, error);
    return false;
  }
  const auto signals = document.find("signals");
  if (signals == document.end()) {
    if (!setup.signals.empty()) return true;
    reportInvalid(origin, "missing key \"signals\"");
    return false;
  }
  if (!signals->is_array()) {
    reportInvalid(origin, "\"signals\" is not a list");
    return false;
  }
  std::size_t index = 0;
  for (const nlohmann::json& json : *signals) {
    Entry entry;
    if (!readEntry(json, entry, error) || !checkShape(entry, error) || !checkRate(entry, error)) {
      const std::string name = entry.type.empty() ? "" : " (" + entry.type + ")";
      reportInvalid(origin, "signal entry " + std::to_string(index) + name + ": " + error);
      return false;
    }
    if (hasRate(entry)) setup.frequency = static_cast<int32_t>(entry.sr / entry.blockSize);
    addSignals(std::move(entry), setup);
    ++index;
  }
  if (setup.signals.empty()) {
    reportInvalid(origin, "\"signals\" lists no signal");
    return false;
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
  const std::string origin = "preset " + name;
  if (name == kDefaultPreset) return addMockConfiguration(defaultSimulatedDevice(), origin, setup);
  if (name == kLeftPreset || name == kRightPreset) {
    return addMockConfiguration(simulatedSetSide(name == kLeftPreset), origin, setup);
  }
  diag::line("unknown simulated device preset ", name);
  return false;
}

}  // namespace zav

// The signal layout of the simulated amplifier: read from a JSON document or taken from
// the built-in default device.
//
//     {"signals": [{"type": "EEG", "channels": 8, "bytes": 3, "blockSize": 1, "mode": 1,
//                   "sr": 500, "values": []}]}
//
// Every entry needs all seven keys. The block rate is "sr" / "blockSize" of the last
// entry. "distances" adds "channels" two-channel ANC signals, "batteries" adds none; an
// empty "values" list means a generated sine.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav {

constexpr int32_t kMockDefaultFrequency = 32;
extern const char* const kDefaultPreset;  // "default"

struct MockSignal {
  SignalInfo info;
  // Replaces the generated waveform when not empty; indexed block-major, channel-major
  // inside a block, looping.
  std::vector<double> values;
};

struct MockSetup {
  int32_t frequency = kMockDefaultFrequency;  // blocks per second
  std::vector<MockSignal> signals;
};

// Appends the document's signals to setup and takes its block rate. A document that
// cannot be used gives false after one diagnostic line naming origin; setup is then
// left in an unspecified state and should be dropped.
bool addMockConfiguration(const nlohmann::json& document, const std::string& origin, MockSetup& setup);
// The same for a JSON file; an unreadable or malformed file gives false and a line.
bool addMockConfigurationFile(const std::string& path, MockSetup& setup);
// The same for a named built-in device; only kDefaultPreset exists.
bool addMockPreset(const std::string& name, MockSetup& setup);

// The built-in device: a 32-channel amplifier (EEG 32 x 8, ExG_B, IMU_B, FOT, DIN, uSD)
// at 256 samples per second, with a few seconds of synthetic EEG looping per channel;
// channels 7 and 23 carry strong 70-90 Hz noise, as a loose electrode would.
nlohmann::json defaultSimulatedDevice();

}  // namespace zav

// The signal layout of the simulated amplifier: read from a JSON document or taken from
// the built-in default device.
//
//     {"signals": [{"type": "EEG", "channels": 8, "bytes": 3, "blockSize": 1, "mode": 1,
//                   "sr": 500, "values": []}],
//      "markers": {"every": 2},
//      "referenceWave": {"channel": 8, "frequency": 0.5, "amplitude": 50}}
//
// A signal entry needs "type" and "mode"; a data signal also "channels", "bytes",
// "blockSize" and "sr". "uSD" and "batteries" carry no samples, so their shape keys may be
// missing or 0. The block rate is "sr" / "blockSize" of the last entry that has a rate.
// "distances" adds "channels" two-channel ANC signals, "batteries" adds none; a missing or
// empty "values" list means a generated sine.
//
// "preset" names a built-in device ("default", "left", "right") whose signals come first.
// "card" is a host folder that stands in for the SD card: with the "uSD" signal on, every
// acquisition is recorded there, in files split at "cardFileBytes" bytes (a path relative
// to the working folder, as given). "battery" gives the battery word in millivolts at
// power-on and how many it loses per minute of streaming ({"millivolts": 3830,
// "drainPerMinute": 3}); without it the word stays 3500.
// Any other key, or a document that leaves the device without signals, is refused.
//
// "markers" writes marker codes on channel 1 of the first DIN signal every "every" seconds
// (default 2) of wall-clock time; "referenceWave" replaces a channel (1-based) of the first
// EEG signal by a sine in microvolts of wall-clock time. Both follow the sample grid of the
// wall clock, so two simulated devices agree on them sample by sample.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav {

constexpr int32_t kMockDefaultFrequency = 32;
// What the two-character mode field of a signal record can carry.
constexpr int32_t kMockSmallestMode = -9;
constexpr int32_t kMockLargestMode = 99;
extern const char* const kDefaultPreset;  // "default"
// The two halves of a simulated 64-channel set: with marker codes and a shared waveform.
extern const char* const kLeftPreset;   // "left"
extern const char* const kRightPreset;  // "right"

struct MockSignal {
  SignalInfo info;
  // Replaces the generated waveform when not empty; indexed block-major, channel-major
  // inside a block, looping.
  std::vector<double> values;
};

struct MockMarkers {
  double everySeconds = 0.0;  // 0: no marker codes
};

struct MockReferenceWave {
  int32_t channel = -1;  // 0-based channel of the first EEG signal; -1: none
  double frequency = 0.0;
  double amplitude = 0.0;
};

struct MockBattery {
  int32_t millivolts = 3500;    // at power-on
  double drainPerMinute = 0.0;  // millivolts lost per minute of streaming
};

struct MockCard {
  std::string folder;  // empty: no card
  uint64_t fileBytes = 0xFFFFFFFFu;
};

struct MockSetup {
  int32_t frequency = kMockDefaultFrequency;  // blocks per second
  std::vector<MockSignal> signals;
  MockMarkers markers;
  MockReferenceWave referenceWave;
  MockBattery battery;
  MockCard card;
};

// Appends the document's signals to setup and takes its block rate. A document that
// cannot be used gives false after one diagnostic line naming origin; setup is then
// left in an unspecified state and should be dropped.
bool addMockConfiguration(const nlohmann::json& document, const std::string& origin, MockSetup& setup);
// The same for a JSON file; an unreadable or malformed file gives false and a line.
bool addMockConfigurationFile(const std::string& path, MockSetup& setup);
// The same for a named built-in device: kDefaultPreset, kLeftPreset or kRightPreset.
bool addMockPreset(const std::string& name, MockSetup& setup);

// The built-in device: a 32-channel amplifier (EEG 32 x 8, ExG_B, IMU_B, FOT, DIN, uSD)
// at 256 samples per second, with a few seconds of synthetic EEG looping per channel and
// a nearly full battery that discharges slowly; channels 7 and 23 carry strong 70-90 Hz
// noise, as a loose electrode would.
nlohmann::json defaultSimulatedDevice();
// One half of the 64-channel set: the same signals, its own EEG with one loose electrode
// (left: channel 8, right: channel 20, 1-based), marker codes every 2 s, and on EEG channel
// 32 a 0.5 Hz sine of 50 uV shared by both halves.
nlohmann::json simulatedSetSide(bool left);

}  // namespace zav

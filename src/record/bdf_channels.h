// The BDF signals of a record: one per channel of every enabled signal, each with its
// label, unit, physical and digital range, and the conversion of a decoded value into
// the 24-bit sample that a reader turns back into the same value.
//
// The physical range is what the decoder gives at the raw extremes of the signal's
// sample width (or, for the types whose values are not a plain scaled integer, the
// range their bytes can encode), widened to the 8 characters the header holds. The
// digital range is the sample width itself, up to 24 bits: a wider signal keeps its
// physical range over the 24-bit digital range, one digital step then spanning
// 2^(8 x bytes - 24) raw steps.
//
//     std::vector<BdfChannel> channels = bdfChannels(signals, layout);
//     int32_t sample = channels[0].toDigital(12.5);   // NaN gives the sample of zero
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/electrode_layout.h"
#include "signal/signal_info.h"

namespace zav {

constexpr int32_t kBdfDigitalMin = -8388608;
constexpr int32_t kBdfDigitalMax = 8388607;
// The longest label and unit the header holds.
constexpr std::size_t kBdfLabelLength = 16;
constexpr std::size_t kBdfUnitLength = 8;

struct BdfChannel {
  std::string label;
  std::string unit;
  double physicalMin = 0.0;  // as the header states it
  double physicalMax = 0.0;
  int32_t digitalMin = kBdfDigitalMin;
  int32_t digitalMax = kBdfDigitalMax;
  uint32_t samplesPerBlock = 0;
  uint64_t valueIndex = 0;  // of channel's first sample in a block's values
  int32_t fill = 0;         // the sample of physical zero (or the nearest), for missing values

  // The nearest digital sample of a value, clamped to the range; NaN gives fill.
  int32_t toDigital(double value) const;
};

// The channels of the enabled signals, in list order. EEG channels take the names of
// the layout's electrodes where it names them; other channels are named like the CSV
// columns ("EEG-ch1", "D in-ch3"), with the type code for a display name too long.
std::vector<BdfChannel> bdfChannels(const SignalList& signals, const ElectrodeLayout& layout);

// The shortest text of at most 8 characters for a range end, rounded away from the range
// (up for a maximum), as a number; values beyond 8 digits are clamped.
double bdfHeaderNumber(double value, bool roundUp);

}  // namespace zav

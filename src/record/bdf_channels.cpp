#include "record/bdf_channels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>

#include "signal/block_layout.h"

namespace zav {

namespace {

constexpr double kLargestHeaderNumber = 99999999.0;
constexpr double kSmallestHeaderNumber = -9999999.0;
constexpr std::size_t kHeaderNumberLength = 8;

struct Range {
  double low = 0.0;
  double high = 0.0;
  bool rawAligned = false;  // the ends are the raw extremes' values: digital = raw
};

Range fixedRange(double low, double high) {
  return {low, high, false};
}

// The values of the types that do not scale a plain integer, from what their bytes hold.
bool encodedRange(const BlockSlot& slot, uint32_t channel, Range& range) {
  constexpr double kTwoDigitPairs = 257.55;  // (255 x 100 + 255) x 0.01
  if (slot.type == "TS")
    range = fixedRange(0.0, 4294967295.0 * 1708.98);
  else if (slot.type == "POS")
    range = fixedRange(0.0, kTwoDigitPairs);
  else if (slot.type == "ANC") {
    const Range anchor[] = {fixedRange(0.0, kTwoDigitPairs), fixedRange(-32.768, 32.767),
                            fixedRange(0.0, 65535.0)};
    range = channel < 3 ? anchor[channel] : fixedRange(-32768.0, 32767.0);
  } else if (slot.type == "COM" && slot.decoderMode() >= 9 && channel < 8) {
    // Degrees and minutes of two coordinates, then bytes and words of a position fix.
    const Range fix[] = {fixedRange(-329.0, 329.0),     fixedRange(-329.0, 329.0),  fixedRange(0.0, 255.0),
                         fixedRange(-32768.0, 32767.0), fixedRange(-141.0, 141.0),  fixedRange(0.0, 255.0),
                         fixedRange(-12.8, 12.8),       fixedRange(0.0, 16777215.0)};
    range = fix[channel];
  } else {
    return false;
  }
  return true;
}

uint32_t sampleWidth(const BlockSlot& slot) {
  return std::clamp<uint32_t>(slot.decoder->bytes(), 1, 4);
}

Range physicalRange(const BlockSlot& slot, uint32_t channel) {
  Range range;
  if (encodedRange(slot, channel, range)) return range;
  const uint32_t bits = 8 * sampleWidth(slot);
  const int32_t rawMax = static_cast<int32_t>((int64_t{1} << (bits - 1)) - 1);
  const int32_t rawMin = -rawMax - 1;
  const SignalDecoder& decoder = *slot.decoder;
  const int32_t mode = slot.decoderMode();
  const double atMin = decoder.fromRaw(rawMin, channel, mode);
  const double atMax = decoder.fromRaw(rawMax, channel, mode);
  range.low = atMin;
  range.high = atMax;
  // Non-linear conversions (skin response, digital levels) take their extremes elsewhere.
  for (int32_t raw : {rawMin, rawMax, 0, 1, -1}) {
    const double value = decoder.fromRaw(raw, channel, mode);
    if (!std::isfinite(value)) continue;
    range.low = std::min(range.low, value);
    range.high = std::max(range.high, value);
  }
  range.rawAligned = range.low == atMin && range.high == atMax && atMin < atMax;
  return range;
}

std::string unitOf(const std::string& type, uint32_t channel) {
  if (type == "EEG" || type == "ExG_A" || type == "ExG_B" || type == "GEN") return "uV";
  if (type == "ACC") return "g";
  if (type == "IMU_B") return channel < 3 ? "m/s2" : channel < 6 ? "deg/s" : "uT";
  return "";
}

std::string channelLabel(const SignalList& signals, const BlockSlot& slot, uint32_t channel,
                         const ElectrodeLayout& layout) {
  if (slot.type == "EEG" && layout.present && channel < layout.codes.size()) {
    return electrodeName(layout.codes[channel]);
  }
  const std::string suffix = "-ch" + std::to_string(channel + 1);
  std::string name = signalDisplayName(signals, slot.signal);
  if (name.size() + suffix.size() > kBdfLabelLength) {
    // The type code keeps the run number of a display name such as "Accelerometer [2]".
    const std::size_t run = name.rfind(" [");
    name = slot.type + (run == std::string::npos ? std::string() : name.substr(run));
  }
  return (name + suffix).substr(0, kBdfLabelLength);
}

}  // namespace

double bdfHeaderNumber(double value, bool roundUp) {
  if (std::isnan(value)) value = 0.0;
  value = std::clamp(value, kSmallestHeaderNumber, kLargestHeaderNumber);
  for (int decimals = 7; decimals >= 0; --decimals) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = roundUp ? std::ceil(value * scale) : std::floor(value * scale);
    char text[64];
    const auto written =
        std::to_chars(text, text + sizeof text, scaled / scale, std::chars_format::fixed, decimals);
    if (written.ec != std::errc() || static_cast<std::size_t>(written.ptr - text) > kHeaderNumberLength)
      continue;
    double number = 0.0;
    std::from_chars(text, written.ptr, number);
    return number;
  }
  return roundUp ? kLargestHeaderNumber : kSmallestHeaderNumber;
}

int32_t BdfChannel::toDigital(double value) const {
  if (std::isnan(value)) return fill;
  const double span = static_cast<double>(digitalMax) - digitalMin;
  const double digital = (value - physicalMin) / (physicalMax - physicalMin) * span + digitalMin;
  if (!(digital < digitalMax)) return digitalMax;
  if (!(digital > digitalMin)) return digitalMin;
  return static_cast<int32_t>(std::lround(digital));
}

std::vector<BdfChannel> bdfChannels(const SignalList& signals, const ElectrodeLayout& layout) {
  std::vector<BdfChannel> channels;
  const BlockLayout blockLayout(signals);
  for (const BlockSlot& slot : blockLayout.slots()) {
    if (!slot.enabled()) continue;
    const SignalDecoder& decoder = *slot.decoder;
    for (uint32_t c = 0; c < decoder.channels(); ++c) {
      const Range range = physicalRange(slot, c);
      BdfChannel channel;
      channel.label = channelLabel(signals, slot, c, layout);
      channel.unit = unitOf(slot.type, c);
      channel.physicalMin = bdfHeaderNumber(range.low, false);
      channel.physicalMax = bdfHeaderNumber(range.high, true);
      if (channel.physicalMax <= channel.physicalMin) channel.physicalMax = channel.physicalMin + 1.0;
      if (range.rawAligned && sampleWidth(slot) < 4) {
        const uint32_t bits = 8 * sampleWidth(slot);
        channel.digitalMax = static_cast<int32_t>((int64_t{1} << (bits - 1)) - 1);
        channel.digitalMin = -channel.digitalMax - 1;
      }
      channel.samplesPerBlock = decoder.blockSize();
      channel.valueIndex = slot.valueOffset + uint64_t{c} * decoder.blockSize();
      channel.fill = channel.toDigital(0.0);
      channels.push_back(std::move(channel));
    }
  }
  return channels;
}

}  // namespace zav

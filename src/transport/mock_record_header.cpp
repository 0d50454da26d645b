#include "transport/mock_record_header.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/record_header_text.h"

namespace zav {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The cap in hundredths of a centimetre: 20 cm across, the outer ring 9 cm from the centre.
constexpr int32_t kCapExtent = 2000;
constexpr int32_t kCentre = kCapExtent / 2;
constexpr double kOuterRadius = 900.0;
constexpr std::size_t kFirstRing = 8;
constexpr std::size_t kRingGrowth = 4;

// Electrode codes from 1, one per channel; the centre first, then rings of 8, 12, 16, ...
// with the last ring spread over the electrodes that are left.
std::vector<record_text::LayoutElectrode> roundCap(int32_t channels) {
  std::vector<record_text::LayoutElectrode> electrodes;
  const auto total = static_cast<std::size_t>(channels);
  if (total == 0) return electrodes;
  electrodes.push_back({kCentre, kCentre, 1});
  int32_t rings = 0;
  for (std::size_t placed = 1, size = kFirstRing; placed < total; placed += size, size += kRingGrowth)
    ++rings;
  std::size_t ringSize = kFirstRing;
  for (int32_t ring = 1; electrodes.size() < total; ++ring, ringSize += kRingGrowth) {
    const std::size_t count = std::min(ringSize, total - electrodes.size());
    for (std::size_t i = 0; i < count; ++i) {
      const double angle = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(count);
      const double radius = kOuterRadius * ring / rings;
      electrodes.push_back({kCentre + static_cast<int32_t>(std::lround(radius * std::sin(angle))),
                            kCentre + static_cast<int32_t>(std::lround(radius * std::cos(angle))),
                            static_cast<uint8_t>(electrodes.size() + 1)});
    }
  }
  return electrodes;
}

}  // namespace

std::string mockRecordHeader(const std::string& description, int32_t frequency, const std::string& signalList,
                             int32_t eegChannels) {
  record_text::RecordHeaderFields fields;
  fields.description = description;
  fields.frequency = static_cast<uint32_t>(frequency);
  fields.signalList = signalList;
  if (eegChannels > 0) {
    fields.layout = record_text::layoutFieldText("round cap", roundCap(eegChannels), kCapExtent, kCapExtent);
  }
  return record_text::recordHeaderText(fields);
}

}  // namespace zav

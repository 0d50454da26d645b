// What the simulated amplifier writes at the head of each file it records: the record
// header with its signal list and, when it has EEG channels, an electrode layout that
// places them on a round cap.
#pragma once

#include <cstdint>
#include <string>

namespace zav {

// signalList: the device's signal list text, SD-card entry included.
std::string mockRecordHeader(const std::string& description, int32_t frequency, const std::string& signalList,
                             int32_t eegChannels);

}  // namespace zav

// The data block shared by the live stream and the SD-card records:
// 0xAA 0x55, sequence, battery, flags (big-endian 16-bit each), payload, checksum.
#pragma once

#include <cstdint>

namespace zav::block {

constexpr uint8_t kSync0 = 0xAA;
constexpr uint8_t kSync1 = 0x55;
constexpr uint32_t kHeaderBytes = 8;    // sync, sequence, battery, flags
constexpr uint32_t kOverheadBytes = 9;  // header and checksum
constexpr uint32_t kSequenceOffset = 2;
constexpr uint32_t kBatteryOffset = 4;
constexpr uint32_t kFlagsOffset = 6;
constexpr uint32_t kPayloadOffset = 8;

}  // namespace zav::block

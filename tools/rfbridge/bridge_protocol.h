// The bridge's answer to a device request: exactly 3 bytes.
//
//   "OK" + status   the link is granted; status 0: a Bluetooth device, 1: a simulated one
//   "NO" + reason   refused, and the connection is closed:
//                   1 unknown device (empty text, or a simulated device that cannot be set up)
//                   2 device busy with another client
//                   3 connection to the device failed
//                   4 request too long (no 0 byte within 248 bytes)
#pragma once

#include <cstddef>
#include <cstdint>

namespace zav::rfbridge {

constexpr std::size_t kLongestRequest = 248;  // bytes before the 0 byte
constexpr std::size_t kAnswerBytes = 3;

enum class Granted : uint8_t { bluetooth = 0, simulated = 1 };
enum class Refusal : uint8_t { unknownDevice = 1, busy = 2, connectFailed = 3, tooLong = 4 };

const char* refusalText(Refusal reason);

}  // namespace zav::rfbridge

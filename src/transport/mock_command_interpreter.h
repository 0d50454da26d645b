// The simulated amplifier's command handling: consumes what the host wrote, answers into
// the output queue, and switches between idle and streaming.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/byte_queue.h"
#include "transport/mock_device.h"

namespace zav {

enum MockLinkState : int32_t { kMockClosed = 0, kMockOpen = 1, kMockStreaming = 2 };

// Runs commands from the front of input until it is empty or a command still lacks its
// parameter bytes (they stay in input for the next write). Answers only in kMockOpen,
// except "s" and "p", which act in every state. Between "ck" and "a" (answered "OK"), each
// byte 0x01 is answered with a clock sample.
void interpretCommands(MockDevice& device, int32_t& state, std::vector<uint8_t>& input, ByteQueue& output);

}  // namespace zav

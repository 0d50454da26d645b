// A scripted device, one that can trickle, under the block reader and the commands.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "driver/block_reader.h"
#include "support/record_writer.h"
#include "support/scripted_connection.h"

namespace zav::test {

// Ten plain one-byte channels: a 19-byte block; countingBlock's value i is seed + i.
inline const SignalList kTenBytes = {SignalInfo("BVP", 10, 1, 1, 1)};

inline std::string countingBlock(uint16_t sequence, char seed = 1, uint16_t battery = 0, uint16_t flags = 0) {
  std::string payload(10, '\0');
  std::iota(payload.begin(), payload.end(), seed);
  return frameBlock(sequence, payload, battery, flags);
}

// Pauses before each read: a device sending one byte at a time, each well within the time-out, trickles.
class TricklingConnection : public ScriptedConnection {
 public:
  std::chrono::milliseconds pause{0};

 protected:
  uint32_t doRead(uint8_t* buffer, uint32_t count) override {
    std::this_thread::sleep_for(pause);
    return ScriptedConnection::doRead(buffer, count);
  }
};

class ScriptedDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    device.open();
    device.setTimeout(2000);
    reader.setConnection(&device);
  }

  // Runs a command that must return `succeeds` and returns what it printed.
  template <typename Command>
  std::string printedBy(Command command, bool succeeds = false) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(command(), succeeds);
    return ::testing::internal::GetCapturedStdout();
  }

  // Reads one block; the sequence number, or -1 when the read failed.
  int readSequence() {
    uint16_t sequence = 0;
    return reader.readAndDecode(values, sequence, battery, flags) ? sequence : -1;
  }

  TricklingConnection device;
  BlockReader reader;
  std::vector<double> values;
  uint16_t battery = 0, flags = 0;
};

}  // namespace zav::test

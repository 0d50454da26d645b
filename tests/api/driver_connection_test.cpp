// The handle's own logic over a scripted device: signal handles, a lost link and its
// reconnection, a stop that finds other modes, and the clock synchronization.
#include "api/driver_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/byte_order.h"
#include "platform/clock.h"
#include "support/record_writer.h"
#include "support/scripted_connection.h"

namespace zav::detail {
namespace {

// EEG 4 x 3 bytes x 1 sample, the SD card, and ACC 3 x 2 bytes x 1 sample.
const SignalList kSignals = {{"EEG", 4, 3, 1, 1}, {"uSD", 0, 0, 0, 0}, {"ACC", 3, 2, 1, 1}};

std::string signalText(const SignalList& signals) {
  std::string text;
  for (const SignalInfo& info : signals) text += signalRecordText(info);
  return text;
}

std::string block(uint16_t sequence) {
  return test::frameBlock(sequence, std::string(12 + 6, '\x01'), 3700);
}

// The device clock runs this far ahead of the host's; the two bounds add up beyond 32 bits.
constexpr uint32_t kClockOffset = 0x40000000u;

// Answers clock samples, once asked to, from a clock that runs kClockOffset ahead and
// whose sample takes a little while, as a real exchange does.
class ClockDevice : public test::ScriptedConnection {
 public:
  bool answersClock = false;

 protected:
  uint32_t doWrite(const uint8_t* buffer, uint32_t count) override {
    if (answersClock && count == 1 && buffer[0] == 0x01) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const auto now = static_cast<uint32_t>(platform::systemTime100ns() / 10) + kClockOffset;
      uint8_t times[8];
      writeU32BE(times, now);
      writeU32BE(times + 4, now + 1);
      answerRaw(std::string(1, '\x01'), std::string(times, times + 8));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ScriptedConnection::doWrite(buffer, count);
  }
};

struct Rig {
  explicit Rig(const std::string& version = "HW1.0_FW1.2") {
    auto owned = std::make_unique<ClockDevice>();
    device = owned.get();
    device->answer("gv", version);
    device->answer("gf", "100");
    device->answer("gc", signalText(kSignals));
    device->answer("gd", "folder");
    device->answer("ga", "file");
    handle = std::make_unique<DriverConnection>(makeDevice(std::move(owned)), 1);
  }

  ClockDevice* device;
  std::unique_ptr<DriverConnection> handle;
  uint16_t sequence = 0, battery = 0, flags = 0;
  const double* read() { return handle->read(sequence, battery, flags); }
};

TEST(DriverConnection, SignalHandlesSkipTheSdCardAndKeepTheDriversIndex) {
  Rig rig;
  EXPECT_EQ(rig.handle->signalCount(), 0);
  rig.handle->connect();
  ASSERT_TRUE(rig.handle->driver().isConnected());
  ASSERT_EQ(rig.handle->signalCount(), 2);
  SignalHandle* acc = rig.handle->signal(1);
  EXPECT_EQ(acc->index, 2u);
  EXPECT_EQ(acc->info()->type, "ACC");
  EXPECT_EQ(rig.handle->signal(2), nullptr);
  EXPECT_EQ(rig.handle->readDataSize(), 4 + 3);
  rig.handle->reconnect();
  EXPECT_EQ(rig.handle->signal(1), acc);
}

TEST(DriverConnection, ALostLinkDisconnectsAndReconnectResumesAStreamingDevice) {
  Rig rig;
  rig.handle->connect();
  ASSERT_TRUE(rig.handle->start());
  rig.device->feed(block(10));
  ASSERT_NE(rig.read(), nullptr);
  EXPECT_EQ(rig.sequence, 10);

  rig.device->feedLinkLoss();
  EXPECT_EQ(rig.read(), nullptr);
  EXPECT_FALSE(rig.handle->driver().isConnected());
  EXPECT_FALSE(rig.device->isConnected());

  // The device kept streaming: the reconnection finds blocks and resumes without a command.
  rig.device->clearWritten();
  rig.device->repeatForever(block(11));
  rig.handle->reconnect();
  EXPECT_TRUE(rig.handle->driver().isRunning());
  EXPECT_EQ(rig.device->written(), "");
  ASSERT_NE(rig.read(), nullptr);
  EXPECT_EQ(rig.sequence, 11);
}

TEST(DriverConnection, AStopThatCannotDrainTheDeviceKeepsItRunning) {
  Rig rig;
  rig.handle->connect();
  ASSERT_TRUE(rig.handle->start());
  rig.device->repeatForever(block(1));
  EXPECT_FALSE(rig.handle->stop());
  EXPECT_TRUE(rig.handle->driver().isRunning());
}

TEST(DriverConnection, AfterAStopThatFindsOtherModesAReadHoldsWhatTheSizeSays) {
  Rig rig;
  SignalList accOff = kSignals;
  accOff[2].mode = 0;
  rig.device->answer("gc", signalText(accOff));
  rig.handle->connect();
  ASSERT_TRUE(rig.handle->start());
  ASSERT_EQ(rig.handle->readDataSize(), 4);

  // The device switched ACC on meanwhile, then sends one more block of the old layout.
  rig.device->answer("gc", signalText(kSignals));
  ASSERT_TRUE(rig.handle->stop());
  EXPECT_EQ(rig.handle->readDataSize(), 7);
  EXPECT_EQ(rig.handle->driver().valuesPerRead(), 7u);
  rig.device->feed(test::frameBlock(5, std::string(12, '\x01')));
  EXPECT_EQ(rig.read(), nullptr);
  rig.device->feed(test::frameBlock(6, std::string(12, '\x01')) + block(7));
  ASSERT_NE(rig.read(), nullptr);
  EXPECT_EQ(rig.sequence, 7);
}

TEST(DriverConnection, SynchronizationNeedsFirmwareOneAndConvergingSamples) {
  Rig old("HW1.0_FW0.9");
  old.handle->connect();
  uint32_t roundTrip = 77;
  int32_t offset = 77;
  EXPECT_FALSE(old.handle->synchronize(roundTrip, offset));
  EXPECT_EQ(roundTrip, 77u);
  EXPECT_EQ(offset, 77);
  EXPECT_EQ(old.device->written().find("ck"), std::string::npos);

  // The estimate itself is tested on its own; here the handle wraps it in the clock mode.
  Rig steady;
  steady.handle->connect();
  steady.device->answersClock = true;
  EXPECT_TRUE(steady.handle->synchronize(roundTrip, offset));
  EXPECT_NEAR(static_cast<double>(offset), static_cast<double>(kClockOffset), 50000.0);
  EXPECT_GT(roundTrip, 0u);
  EXPECT_LT(roundTrip, 1000000u);
  EXPECT_NE(steady.device->written().find("ck"), std::string::npos);
  EXPECT_EQ(steady.device->writes().back(), "a");
}

}  // namespace
}  // namespace zav::detail

// Long runs through the C interface with flat memory and descriptors: the simulated
// device streamed unpaced, and connect/start/stop/disconnect cycles on a serial device.
// The default run takes seconds; longer ones are set in the environment:
//
//     ZAV_SOAK_BLOCKS=10000000 ZAV_SOAK_CYCLES=1000 build/dev/bin/soak_tests
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/pty_device.h"
#include "support/temp_folder.h"
#include "zav/zav.h"

namespace {

uint64_t fromEnvironment(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

uint64_t residentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4;
}

std::size_t openDescriptors() {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

// 8 EEG channels of 8 samples and a digital input at a block rate no pacing holds back.
constexpr const char* kFastDevice = R"({"signals": [
  {"type": "EEG", "channels": 8, "bytes": 3, "blockSize": 8, "mode": 1, "sr": 80000000},
  {"type": "DIN", "channels": 1, "bytes": 1, "blockSize": 8, "mode": 1, "sr": 80000000}]})";

TEST(Soak, TheSimulatedDeviceStreamsUnpacedWithFlatMemory) {
  const uint64_t blocks = fromEnvironment("ZAV_SOAK_BLOCKS", 150000);
  zav::test::TempFolder folder;
  zav::test::writeFile(folder / "fast.json", kFastDevice);
  zav_driver* driver = zav_driver_new_simulated((folder / "fast.json").string().c_str(), 1);
  ASSERT_NE(driver, nullptr);
  zav_driver_connect(driver);
  ASSERT_TRUE(zav_driver_start(driver));
  ASSERT_EQ(zav_driver_read_data_size(driver), 72);

  uint64_t startKb = 0;
  uint64_t failed = 0;
  uint16_t sequence = 0, battery = 0, flags = 0, expected = 0;
  for (uint64_t b = 0; b < blocks; ++b) {
    if (b == blocks / 10) startKb = residentKilobytes();  // after the first buffers settled
    if (zav_driver_read(driver, &sequence, &battery, &flags) == nullptr) {
      ++failed;
      continue;
    }
    if (b != 0) {
      ASSERT_EQ(sequence, expected) << "block " << b;
    }
    expected = static_cast<uint16_t>(sequence + 1);
  }
  const uint64_t endKb = residentKilobytes();
  EXPECT_EQ(failed, 0u);
  EXPECT_TRUE(zav_driver_stop(driver));
  zav_driver_free(driver);
  std::printf("%llu blocks, resident %llu kB after a tenth, %llu kB at the end\n",
              static_cast<unsigned long long>(blocks), static_cast<unsigned long long>(startKb),
              static_cast<unsigned long long>(endKb));
  EXPECT_LT(endKb, startKb + 4096) << "memory grew while streaming";
}

TEST(Soak, ConnectStartStopDisconnectCyclesLeakNoDescriptorsOrMemory) {
  const uint64_t cycles = fromEnvironment("ZAV_SOAK_CYCLES", 8);
  zav::test::PtyDevice device({{"EEG", 8, 3, 1, 1}, {"DIN", 1, 1, 1, 1}});
  std::size_t startFds = 0;
  uint64_t startKb = 0;
  for (uint64_t c = 0; c < cycles; ++c) {
    if (c == 2) {  // once the first cycles have made what lives for the whole process
      startFds = openDescriptors();
      startKb = residentKilobytes();
    }
    zav_driver* driver = zav_driver_new_serial(device.path().c_str(), 1);
    ASSERT_NE(driver, nullptr);
    zav_driver_connect(driver);
    ASSERT_TRUE(zav_driver_is_connected(driver)) << "cycle " << c;
    ASSERT_TRUE(zav_driver_start(driver)) << "cycle " << c;
    uint16_t sequence = 0, battery = 0, flags = 0;
    ASSERT_NE(zav_driver_read(driver, &sequence, &battery, &flags), nullptr) << "cycle " << c;
    ASSERT_TRUE(zav_driver_stop(driver)) << "cycle " << c;
    zav_driver_disconnect(driver);
    zav_driver_free(driver);
  }
  const std::size_t endFds = openDescriptors();
  const uint64_t endKb = residentKilobytes();
  std::printf("%llu cycles, %zu descriptors and %llu kB after two, %zu and %llu kB at the end\n",
              static_cast<unsigned long long>(cycles), startFds, static_cast<unsigned long long>(startKb), endFds,
              static_cast<unsigned long long>(endKb));
  EXPECT_EQ(endFds, startFds);
  EXPECT_LT(endKb, startKb + 2048);
}

}  // namespace

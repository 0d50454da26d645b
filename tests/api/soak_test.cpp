// Long runs through the C interface with flat memory and descriptors: the simulated device streamed
// unpaced, and connect cycles on a serial device. Seconds by default; longer runs are set thus:
//     ZAV_SOAK_BLOCKS=10000000 ZAV_SOAK_CYCLES=1000 build/dev/bin/soak_tests
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
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

std::ptrdiff_t openDescriptors() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
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
  zav_driver_connect(driver);
  ASSERT_TRUE(zav_driver_start(driver));
  ASSERT_EQ(zav_driver_read_data_size(driver), 72);

  uint64_t startKb = 0;
  uint16_t sequence = 0, battery = 0, flags = 0, expected = 0;
  for (uint64_t b = 0; b < blocks; ++b) {
    if (b == blocks / 10) startKb = residentKilobytes();  // after the first buffers settled
    ASSERT_NE(zav_driver_read(driver, &sequence, &battery, &flags), nullptr) << "block " << b;
    ASSERT_TRUE(b == 0 || sequence == expected) << "block " << b;
    expected = static_cast<uint16_t>(sequence + 1);
  }
  const uint64_t endKb = residentKilobytes();
  EXPECT_TRUE(zav_driver_stop(driver));
  zav_driver_free(driver);
  std::cout << blocks << " blocks: " << startKb << " kB resident after a tenth, " << endKb << " at the end\n";
  EXPECT_LT(endKb, startKb + 4096) << "memory grew while streaming";
}

TEST(Soak, ConnectStartStopDisconnectCyclesLeakNoDescriptorsOrMemory) {
  const uint64_t cycles = fromEnvironment("ZAV_SOAK_CYCLES", 8);
  zav::test::PtyDevice device({{"EEG", 8, 3, 1, 1}, {"DIN", 1, 1, 1, 1}});
  std::ptrdiff_t startFds = 0;
  uint64_t startKb = 0;
  for (uint64_t c = 0; c < cycles; ++c) {
    SCOPED_TRACE(c);
    if (c == 2) {  // once the first cycles have made what lives for the whole process
      startFds = openDescriptors();
      startKb = residentKilobytes();
    }
    zav_driver* driver = zav_driver_new_serial(device.path().c_str(), 1);
    zav_driver_connect(driver);
    ASSERT_TRUE(zav_driver_start(driver));
    ASSERT_NE(zav_driver_read(driver, nullptr, nullptr, nullptr), nullptr);
    ASSERT_TRUE(zav_driver_stop(driver));
    zav_driver_disconnect(driver);
    zav_driver_free(driver);
  }
  std::cout << cycles << " cycles, " << startFds << " descriptors and " << startKb << " kB after two, "
            << openDescriptors() << " and " << residentKilobytes() << " kB at the end\n";
  EXPECT_EQ(openDescriptors(), startFds);
  EXPECT_LT(residentKilobytes(), startKb + 2048);
}

}  // namespace

// Eight handles on eight threads at once, each used by one thread only, as hosts may do: no state
// shared between handles would need a lock. Also built with ThreadSanitizer (scripts/test-all.sh).
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"
#include "zav/zav.h"

namespace {

constexpr const char* kFastDevice = R"({"signals": [
  {"type": "EEG", "channels": 8, "bytes": 3, "blockSize": 8, "mode": 1, "sr": 2048},
  {"type": "DIN", "channels": 1, "bytes": 1, "blockSize": 8, "mode": 1, "sr": 2048}]})";

TEST(Threads, EightHandlesStreamOnEightThreadsAtOnce) {
  zav::test::TempFolder folder;
  zav::test::writeFile(folder / "device.json", kFastDevice);
  const std::string configuration = (folder / "device.json").string();
  constexpr int kThreads = 8;
  constexpr int kReads = 600;  // a little over two seconds at 256 blocks per second
  std::array<int, kThreads> good{}, graded{};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      zav_driver* driver = zav_driver_new_simulated(configuration.c_str(), 1 + t % 2);
      zav_driver_connect(driver);
      if (zav_driver_start(driver)) {
        const int size = zav_driver_read_data_size(driver);
        for (int r = 0; r < kReads; ++r) {
          uint16_t sequence = 0, battery = 0, flags = 0;
          const double* values = zav_driver_read(driver, &sequence, &battery, &flags);
          if (values == nullptr) continue;
          // Reads every value, as a host does.
          [[maybe_unused]] const volatile double sum = std::accumulate(values, values + size, 0.0);
          ++good[t];
        }
        graded[t] = zav_driver_get_eeg_impedance(driver, 0);
        char folderName[32];
        zav_driver_get_folder(driver, folderName, sizeof folderName);
        zav_driver_stop(driver);
      }
      zav_driver_disconnect(driver);
      zav_driver_free(driver);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(good[t], kReads) << "thread " << t;
    EXPECT_NE(graded[t], zav_driver_impedance_unknown) << "thread " << t;
  }
}

}  // namespace

// Diagnostics and errors from several threads at once, through the shared library only.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "zav/zav.h"

namespace {

// Deliberately unlocked: the library hands over one line at a time.
void collect(const char* line, void* user) { static_cast<std::vector<std::string>*>(user)->push_back(line); }

TEST(LogHandler, LinesFromSeveralThreadsArriveWholeAndErrorsStayPerThread) {
  std::vector<std::string> lines;
  zav_set_log_handler(collect, &lines);
  constexpr int kThreads = 4;
  constexpr int kConnects = 25;
  std::vector<std::string> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &errors] {
      const std::string path = "/nonexistent/device-" + std::to_string(t) + ".json";
      zav_driver* device = zav_driver_new_simulated(path.c_str(), zav_dry_eeg_sensor);
      for (int i = 0; i < kConnects; ++i) zav_driver_connect(device);
      errors[t] = zav_last_error();
      zav_driver_free(device);
    });
  }
  for (std::thread& thread : threads) thread.join();
  zav_set_log_handler(nullptr, nullptr);

  ASSERT_GE(lines.size(), static_cast<std::size_t>(kThreads * kConnects));
  std::vector<int> perThread(kThreads);
  for (const std::string& line : lines) {
    const std::size_t at = line.find("/nonexistent/device-");
    ASSERT_NE(at, std::string::npos) << line;
    ++perThread[static_cast<std::size_t>(line[at + 20] - '0')];
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(perThread[static_cast<std::size_t>(t)] * kThreads, static_cast<int>(lines.size())) << t;
    EXPECT_EQ(errors[static_cast<std::size_t>(t)], "could not connect to the device");
  }
  EXPECT_STREQ(zav_last_error(), "");
}

}  // namespace

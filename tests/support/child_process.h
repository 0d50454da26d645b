// A program run by a test as a child process, its output going to a file, and ended with the
// test at the latest (so that no child outlives the test run).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zav::test {

class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& outputFile);
  ~ChildProcess();  // kills the child if it still runs, and reaps it
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return handle_ != kNone; }
  // Waits up to timeoutMs for the child to end: its exit status, or nothing while it runs.
  std::optional<int> wait(uint32_t timeoutMs);

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // a process id, or a process HANDLE
  std::optional<int> status_;
};

// The folder of the running test program, where the build puts the programs too.
std::string executableFolder();

}  // namespace zav::test

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/child_process.h"

extern char** environ;

namespace zav::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outputFile) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) handle_ = pid;
  posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
  if (!started() || status_) return;
  kill(static_cast<pid_t>(handle_), SIGKILL);
  waitpid(static_cast<pid_t>(handle_), nullptr, 0);
}

std::optional<int> ChildProcess::wait(uint32_t timeoutMs) {
  if (!started() || status_) return status_;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  do {
    int status = 0;
    if (waitpid(static_cast<pid_t>(handle_), &status, WNOHANG) == static_cast<pid_t>(handle_)) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return status_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < limit);
  return std::nullopt;
}

std::string executableFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

}  // namespace zav::test

// The helper is started by a short-lived intermediate child, so it is adopted by the
// system at once and never becomes a zombie of the host. Only async-signal-safe calls run
// between fork and exec, since the host may have other threads. The helper gets no
// standard streams of the host: holding the host's output pipes open would keep whoever
// reads them (a terminal multiplexer, a test runner) waiting for a process it never started.
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process_spawn.h"

namespace zav::platform {

std::string executableFileName(const std::string& baseName) { return baseName; }

void startDetached(const std::string& command, const std::vector<std::string>& extra) {
  // Everything the children need is prepared before fork.
  const char* file = command.c_str();
  std::vector<char*> arguments{const_cast<char*>(file)};
  for (const std::string& argument : extra) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);

  const pid_t intermediate = fork();
  if (intermediate < 0) return;
  if (intermediate == 0) {
    setsid();
    if (fork() == 0) {
      const int nothing = open("/dev/null", O_RDWR);
      if (nothing >= 0) {
        dup2(nothing, 0);
        dup2(nothing, 1);
        dup2(nothing, 2);
        if (nothing > 2) close(nothing);
      }
      execvp(file, arguments.data());
      _exit(127);
    }
    _exit(0);
  }
  while (waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace zav::platform

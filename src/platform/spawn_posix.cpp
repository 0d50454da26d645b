// The helper is started by a short-lived intermediate child, so it is adopted by the
// system at once and never becomes a zombie of the host. Only async-signal-safe calls run
// between fork and exec, since the host may have other threads.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process_spawn.h"

namespace zav::platform {

std::string executableFileName(const std::string& baseName) { return baseName; }

void startDetached(const std::string& command) {
  // Everything the children need is prepared before fork.
  const char* file = command.c_str();
  char* const arguments[] = {const_cast<char*>(file), nullptr};

  const pid_t intermediate = fork();
  if (intermediate < 0) return;
  if (intermediate == 0) {
    setsid();
    if (fork() == 0) {
      execvp(file, arguments);
      _exit(127);
    }
    _exit(0);
  }
  while (waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace zav::platform

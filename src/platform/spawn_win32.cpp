// _P_NOWAITO: the child runs on its own and is never waited for.
#include <process.h>

#include "platform/process_spawn.h"

namespace zav::platform {

std::string executableFileName(const std::string& baseName) { return baseName + ".exe"; }

void startDetached(const std::string& command) {
  _spawnlp(_P_NOWAITO, command.c_str(), command.c_str(), static_cast<const char*>(nullptr));
}

}  // namespace zav::platform

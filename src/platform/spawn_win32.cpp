// _P_NOWAITO: the child runs on its own and is never waited for.
#include <process.h>

#include "platform/process_spawn.h"

namespace zav::platform {

std::string executableFileName(const std::string& baseName) { return baseName + ".exe"; }

void startDetached(const std::string& command, const std::vector<std::string>& extra) {
  std::vector<const char*> arguments{command.c_str()};
  for (const std::string& argument : extra) arguments.push_back(argument.c_str());
  arguments.push_back(nullptr);
  _spawnvp(_P_NOWAITO, command.c_str(), arguments.data());
}

}  // namespace zav::platform

// The helper gets no handles of the host and no console: holding the host's output pipes
// open would keep whoever reads them (a script, a test runner) waiting for a process it
// never started. CreateProcess finds a bare name the way the command interpreter does.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/process_spawn.h"
#include "platform/wide_text_win32.h"

namespace zav::platform {

std::string executableFileName(const std::string& baseName) { return baseName + ".exe"; }

void startDetached(const std::string& command, const std::vector<std::string>& extra) {
  // The program is quoted, as a folder may hold blanks; arguments may not.
  std::wstring line = L"\"" + widened(command) + L"\"";
  for (const std::string& argument : extra) line += L" " + widened(argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP,
                     nullptr, nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace zav::platform

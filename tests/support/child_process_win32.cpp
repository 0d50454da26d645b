#include <windows.h>

#include <filesystem>

#include "support/child_process.h"

namespace zav::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& outputFile) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return;
  const auto quoted = [](const std::string& argument) { return "\"" + argument + "\""; };
  std::string commandLine = quoted(program);
  for (const std::string& argument : arguments) commandLine += " " + quoted(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    handle_ = reinterpret_cast<std::intptr_t>(process.hProcess);
  }
  CloseHandle(output);
}

ChildProcess::~ChildProcess() {
  if (!started()) return;
  HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (!status_) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
  }
  CloseHandle(process);
}

std::optional<int> ChildProcess::wait(uint32_t timeoutMs) {
  if (!started() || status_) return status_;
  HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  status_ = static_cast<int>(code);
  return status_;
}

std::string executableFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::string(path, length)).parent_path().string();
}

}  // namespace zav::test

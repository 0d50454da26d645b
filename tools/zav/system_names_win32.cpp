#include <windows.h>

#include <filesystem>

#include "system_names.h"

namespace zav::cli {

std::string usbPortPath(int port) {
  return "COM" + std::to_string(port);
}

std::string systemErrorText(unsigned long code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(code) : message;
}

bool notSerialPortError(unsigned long code) {
  return code == ERROR_INVALID_FUNCTION;
}

// The module's own file name is exact, whatever argv[0] or the search path say.
std::string programFolder(const char*) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::filesystem::path(std::string(path, length)).parent_path().string();
}

}  // namespace zav::cli

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "system_names.h"

namespace zav::cli {

std::string usbPortPath(int port) {
  return "/dev/ttyACM" + std::to_string(port);
}

std::string systemErrorText(unsigned long code) {
  return std::strerror(static_cast<int>(code));
}

bool notSerialPortError(unsigned long code) {
  return code == ENOTTY;
}

std::string programFolder(const char* argv0) {
  namespace fs = std::filesystem;
  if (argv0 == nullptr || argv0[0] == '\0') return {};
  std::error_code error;
  const std::string name = argv0;
  if (name.find('/') != std::string::npos) return fs::absolute(fs::path(name), error).parent_path().string();
  const char* searchPath = std::getenv("PATH");
  std::istringstream folders(searchPath == nullptr ? "" : searchPath);
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) folder = ".";
    if (fs::is_regular_file(fs::path(folder) / name, error)) return fs::absolute(folder, error).string();
  }
  return {};
}

}  // namespace zav::cli

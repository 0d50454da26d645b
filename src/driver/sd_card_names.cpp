#include "driver/sd_card_names.h"

namespace zav {

std::string normaliseSdFolder(std::string folder) {
  while (folder.compare(0, 2, "./") == 0) folder.erase(0, 2);
  for (std::size_t at = folder.find("//"); at != std::string::npos; at = folder.find("//", at)) {
    folder.erase(at, 1);
  }
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return folder;
}

}  // namespace zav

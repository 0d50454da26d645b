#include "api/property_map.h"

#include <cctype>

namespace zav {

std::string PropertyMap::normalisedKey(const std::string& key) {
  std::string lower(key);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace zav

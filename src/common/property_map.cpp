#include "common/property_map.h"

#include <cctype>

namespace zav {

PropertyMap::PropertyMap(const PropertyValues& values) {
  for (const auto& [key, value] : values) values_[normalisedKey(key)] = value;
}

const std::string& PropertyMap::text(const std::string& key) const {
  const auto found = values_.find(normalisedKey(key));
  if (found == values_.end()) throw std::invalid_argument(key + " property not in the map");
  return found->second;
}

std::string PropertyMap::normalisedKey(const std::string& key) {
  std::string lower(key);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace zav

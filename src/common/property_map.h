// Text-keyed settings for transports. Keys are lower-cased on the way in and out;
// values are stored as the text a default-formatted stream writes.
//
//     PropertyMap map;
//     map.set<int>("Port", 3);
//     int port = map.get<int>("PORT");       // 3
//     map.set<std::string>("path", "/dev/my port");
//     map.get<std::string>("path");          // "/dev/my" (a typed read stops at a blank)
//     map.text("path");                      // "/dev/my port"
//     map.get<std::string>("device");        // throws std::invalid_argument
#pragma once

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace zav {

// The stored form: lower-cased key to value text.
using PropertyValues = std::map<std::string, std::string>;

class PropertyMap {
 public:
  PropertyMap() = default;
  // Keys of values built elsewhere are lower-cased too, so that lookups find them.
  explicit PropertyMap(const PropertyValues& values);

  template <typename T>
  void set(const std::string& key, const T& value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    values_[normalisedKey(key)] = out.str();
  }

  bool has(const std::string& key) const { return values_.count(normalisedKey(key)) != 0; }

  // Parses the stored text; text that does not parse gives T's zero value. A missing key
  // throws std::invalid_argument("<key> property not in the map").
  template <typename T>
  T get(const std::string& key) const {
    std::istringstream in(text(key));
    in.imbue(std::locale::classic());
    return parse<T>(in);
  }

  // The stored text whole, blanks included (a path or a name may hold them); a missing key
  // throws like get.
  const std::string& text(const std::string& key) const;

  const PropertyValues& values() const { return values_; }

  static std::string normalisedKey(const std::string& key);

 private:
  template <typename T>
  static T parse(std::istringstream& in) {
    T value{};
    if (!(in >> value)) return T{};
    return value;
  }

  PropertyValues values_;
};

// A bool is read as a number: 0 is false, any other number true.
template <>
inline bool PropertyMap::parse<bool>(std::istringstream& in) {
  long long number = 0;
  if (!(in >> number)) return false;
  return number != 0;
}

}  // namespace zav

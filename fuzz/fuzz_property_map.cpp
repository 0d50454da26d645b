// The property map (keys and typed reads of any text) and Bluetooth address parsing.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "common/property_map.h"
#include "fuzzed_connection.h"
#include "transport/bluetooth_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = text.find('=');
  const std::string key = text.substr(0, cut);
  const std::string value = cut == std::string::npos ? std::string() : text.substr(cut + 1);

  zav::PropertyMap map;
  map.set<std::string>(key, value);
  if (!map.has(key) || map.text(key) != value) zav::fuzz::broken("a value set is not found under its key");
  (void)map.get<int>(key);
  (void)map.get<bool>(key);
  (void)map.get<double>(key);
  (void)map.get<uint16_t>(key);
  (void)map.get<std::string>(key);
  try {
    (void)map.get<int>(key + "?missing");
    if (map.has(key + "?missing")) return 0;
    zav::fuzz::broken("a missing key did not throw");
  } catch (const std::invalid_argument&) {
  }
  const zav::PropertyMap copy(map.values());
  if (copy.text(key) != value) zav::fuzz::broken("a copied map lost a value");

  const auto address = zav::parseBluetoothAddress(text);
  if (address && *address > 0xFFFFFFFFFFFFull) zav::fuzz::broken("an address beyond 48 bits");
  return 0;
}

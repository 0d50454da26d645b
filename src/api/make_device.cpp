#include "api/make_device.h"

#include "api/connection_factory.h"
#include "driver/driver.h"
#include "multi/multi_driver.h"

namespace zav {

const std::string kEeg64Kind = "eeg64";

namespace {

// The set makes its own two Bluetooth transports. Its device names are read as words, as
// every typed text property is; "path" (the bridge's folder) and any other property reach
// both transports.
Device makeEeg64(const PropertyMap& properties) {
  auto set = std::make_unique<MultiDriver>();
  PropertyValues extra = properties.values();
  extra.erase("left");
  extra.erase("right");
  const std::string path = properties.has("path") ? properties.text("path") : std::string();
  extra.erase("path");
  set->configure(properties.get<std::string>("left"), properties.get<std::string>("right"), path, extra);
  Device device;
  device.driver = std::move(set);
  return device;
}

}  // namespace

Device makeDevice(const std::string& kind, const PropertyMap& properties) {
  if (kind == kEeg64Kind) return makeEeg64(properties);
  return makeDevice(createConnection(kind, properties));
}

Device makeDevice(std::unique_ptr<Connection> connection) {
  Device device;
  device.connection = std::move(connection);
  device.driver = std::make_unique<Driver>(device.connection.get());
  return device;
}

}  // namespace zav

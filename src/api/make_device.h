// The one way from a kind name to a device: the transport (none for the two-device set,
// whose driver makes its own) and the driver over it. Nothing is sent to the device.
//
//     PropertyMap map;
//     map.set<int>("port", 3);
//     Device device = makeDevice(kUsbKind, map);   // an unknown kind: a driver that never connects
#pragma once

#include <memory>
#include <string>

#include "common/property_map.h"
#include "driver/base_driver.h"
#include "transport/connection.h"

namespace zav {

extern const std::string kEeg64Kind;

struct Device {
  std::unique_ptr<Connection> connection;  // borrowed by driver: destroy the driver first
  std::unique_ptr<BaseDriver> driver;
};

// kind "usb", "bluetooth", "mock" or "eeg64".
Device makeDevice(const std::string& kind, const PropertyMap& properties);
// A single-device driver over a transport made elsewhere (null: one that never connects).
Device makeDevice(std::unique_ptr<Connection> connection);

}  // namespace zav

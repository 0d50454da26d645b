// Makes a transport by kind name: "usb", "bluetooth" or "mock" (exact, case-sensitive).
//
//     PropertyMap map;
//     map.set<int>("port", 3);
//     std::unique_ptr<Connection> c = createConnection(kUsbKind, map);   // null for unknown kinds
#pragma once

#include <memory>
#include <string>

#include "common/property_map.h"
#include "transport/connection.h"

namespace zav {

extern const std::string kBluetoothKind;
extern const std::string kUsbKind;
extern const std::string kMockKind;

std::unique_ptr<Connection> createConnection(const std::string& kind);
// The same, then gives the transport a copy of the properties.
std::unique_ptr<Connection> createConnection(const std::string& kind, const PropertyMap& properties);

}  // namespace zav

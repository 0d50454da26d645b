// The Bluetooth devices the operating system knows, by name.
//
// On Windows the system's device list is queried (remembered devices first, then fresh
// inquiries). On Linux the list is always empty: reaching BlueZ would take libbluetooth,
// so there devices are named by address (XX:XX:XX:XX:XX:XX) or reached through the bridge.
#pragma once

#include <string>
#include <vector>

#include "platform/socket.h"

namespace zav::platform {

struct DeviceRecord {
  std::string name;  // 8-bit: the low byte of each UTF-16 code unit
  BluetoothEndpoint endpoint;
};

// Every device found, in the order found; a device may appear more than once.
std::vector<DeviceRecord> discoverDevices();

}  // namespace zav::platform

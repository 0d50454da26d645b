// The Bluetooth devices the operating system knows, by name.
//
// On Windows the system's device list is queried (remembered devices first, then fresh
// inquiries). On Linux the devices BlueZ knows are read over the system bus (D-Bus,
// org.bluez); no inquiry is started, so a device must have been seen or paired before.
// Without a bus or BlueZ, or on any error, the list is empty: nothing is thrown or printed,
// and an unresponsive bus is given a few seconds at most.
#pragma once

#include <string>
#include <vector>

#include "platform/socket.h"

namespace zav::platform {

struct DeviceRecord {
  // 8-bit: on Windows the low byte of each UTF-16 code unit, on Linux BlueZ's UTF-8 bytes.
  std::string name;
  BluetoothEndpoint endpoint;
};

// Every device found, in the order found; a device may appear more than once. On Linux a
// device is listed once under its name and once more under its alias when that differs.
std::vector<DeviceRecord> discoverDevices();

}  // namespace zav::platform

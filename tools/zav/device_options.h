// The DEVICE options shared by the device commands: --simulated [CONFIG] (the default),
// --serial PATH, --usb N or --bluetooth NAME, and the sensor type.
#pragma once

#include <memory>
#include <string>

#include "zav/zav.h"

namespace CLI {
class App;
}

namespace zav::cli {

struct DeviceOptions {
  std::string simulated;  // configuration file; empty for the built-in device
  std::string serial;
  int usb = -1;
  std::string bluetooth;
  std::string sensor = "dry";
  bool simulatedGiven = false;
};

void addDeviceOptions(CLI::App& command, DeviceOptions& options);

struct DriverDeleter {
  void operator()(zav_driver* driver) const { zav_driver_free(driver); }
};
using DriverPtr = std::unique_ptr<zav_driver, DriverDeleter>;

// Creates the handle the options name; description says what it is, for messages.
DriverPtr openDevice(const DeviceOptions& options, std::string& description);

}  // namespace zav::cli

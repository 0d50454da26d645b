// The DEVICE options shared by the device commands: --simulated [CONFIG], --serial PATH,
// --usb N, --bluetooth NAME or --eeg64 [LEFT RIGHT], and the sensor type. Only when none
// of them is given is the built-in simulated device used; an empty or invalid one is a
// usage error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zav/zav.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace zav::cli {

struct DeviceOptions {
  std::string simulated;  // configuration file; empty for the built-in device
  std::string serial;
  int usb = -1;
  std::string bluetooth;
  std::vector<std::string> eeg64;  // LEFT RIGHT; empty with --eeg64 alone: the bridge's simulated halves
  std::string sensor = "dry";
  bool sdCard = false;              // switch the device's SD-card recorder on before starting
  bool eeg64Given = false;          // set by checkDeviceOptions
  std::vector<CLI::Option*> given;  // the device options, to count those on the command line
  CLI::Option* eeg64Option = nullptr;
};

void addDeviceOptions(CLI::App& command, DeviceOptions& options);
// Throws CLI::ValidationError for a combination the options cannot check one by one.
void checkDeviceOptions(DeviceOptions& options);

struct DriverDeleter {
  void operator()(zav_driver* driver) const { zav_driver_free(driver); }
};
using DriverPtr = std::unique_ptr<zav_driver, DriverDeleter>;

// Creates the handle the options name; description says what it is, for messages.
DriverPtr openDevice(const DeviceOptions& options, std::string& description);
// Connects; on failure says why in one line, from the library's log lines and last error.
bool connectDevice(zav_driver* driver, const DeviceOptions& options, std::string& error);

}  // namespace zav::cli

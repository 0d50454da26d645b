#include "device_options.h"

#include <CLI/CLI.hpp>

namespace zav::cli {

void addDeviceOptions(CLI::App& command, DeviceOptions& options) {
  auto* group = command.add_option_group("DEVICE", "the device to use (default: the built-in simulated device)");
  group->add_option("--simulated", options.simulated, "simulated device, from a JSON configuration when given")
      ->expected(0, 1);
  group->add_option("--serial", options.serial, "device on a serial port path (/dev/ttyACM0, COM3)");
  group->add_option("--usb", options.usb, "device on USB port number N (COM<N> on Windows)");
  group->add_option("--bluetooth", options.bluetooth, "Bluetooth device name or XX:XX:XX:XX:XX:XX address");
  group->require_option(0, 1);
  command.add_option("--sensor", options.sensor, "EEG sensor type, for contact grading")
      ->check(CLI::IsMember({"dry", "water"}))
      ->capture_default_str();
}

DriverPtr openDevice(const DeviceOptions& options, std::string& description) {
  const uint32_t sensor = options.sensor == "water" ? 2u : 1u;
  if (!options.serial.empty()) {
    description = "serial device " + options.serial;
    return DriverPtr(zav_driver_new_serial(options.serial.c_str(), sensor));
  }
  if (options.usb >= 0) {
    description = "USB device on port " + std::to_string(options.usb);
    return DriverPtr(zav_driver_new_usb(options.usb, sensor));
  }
  if (!options.bluetooth.empty()) {
    description = "Bluetooth device " + options.bluetooth;
    return DriverPtr(zav_driver_new_bluetooth(options.bluetooth.c_str(), sensor));
  }
  if (!options.simulated.empty()) {
    description = "simulated device " + options.simulated;
    return DriverPtr(zav_driver_new_simulated(options.simulated.c_str(), sensor));
  }
  description = "built-in simulated device";
  return DriverPtr(zav_driver_new_simulated(nullptr, sensor));
}

}  // namespace zav::cli

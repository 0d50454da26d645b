#include "device_options.h"

#include <CLI/CLI.hpp>
#include <cstdlib>

#include "arguments.h"
#include "log_relay.h"
#include "system_names.h"

namespace zav::cli {

namespace {

const char* const kSimulatedLeft = "sim:left";
const char* const kSimulatedRight = "sim:right";

// The number after prefix in a log line ("Error 2"), or -1.
long numberAfter(const std::string& line, const std::string& prefix) {
  if (line.rfind(prefix, 0) != 0) return -1;
  char* end = nullptr;
  const long value = std::strtol(line.c_str() + prefix.size(), &end, 10);
  return end != line.c_str() + prefix.size() ? value : -1;
}

std::string serialFailure(const std::string& path, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const long openError = numberAfter(line, "Error ");
    if (openError >= 0 && notSerialPortError(static_cast<unsigned long>(openError)))
      return path + " is not a serial port";
    if (openError >= 0)
      return "cannot open " + path + ": " + systemErrorText(static_cast<unsigned long>(openError));
    if (numberAfter(line, "GetCommState failed with error ") >= 0 ||
        numberAfter(line, "SetCommState failed with error ") >= 0) {
      return path + " is not a serial port";
    }
    if (line.rfind("Unsupported baud rate", 0) == 0) return path + ": " + line;
  }
  return "no zav device answered on " + path + " (is it switched on, and is it a zav amplifier?)";
}

std::string eeg64Failure(const DeviceOptions& options, const std::vector<std::string>& lines) {
  std::string missing;
  for (const std::string& line : lines) {
    if (line == "connect left: NOPE") missing += "the left device " + options.eeg64[0];
    if (line == "connect right: NOPE")
      missing += (missing.empty() ? "" : " and ") + ("the right device " + options.eeg64[1]);
  }
  if (missing.empty()) missing = "the 64-channel set";
  return "cannot reach " + missing + " through the Bluetooth bridge (rfbridge)";
}

}  // namespace

void addDeviceOptions(CLI::App& command, DeviceOptions& options) {
  auto* group =
      command.add_option_group("DEVICE", "the device to use (default: the built-in simulated device)");
  options.given.push_back(group
                              ->add_option("--simulated", options.simulated,
                                           "simulated device, from a JSON configuration when given")
                              ->expected(0, 1));
  options.given.push_back(
      group->add_option("--serial", options.serial, "device on a serial port path (/dev/ttyACM0, COM3)")
          ->check(nonEmpty("a port path")));
  options.given.push_back(
      group
          ->add_option("--usb", options.usb,
                       "device on USB port number N (/dev/ttyACM<N> on Linux, COM<N> on Windows)")
          ->check(portNumber()));
  options.given.push_back(group
                              ->add_option("--bluetooth", options.bluetooth,
                                           "Bluetooth device name or XX:XX:XX:XX:XX:XX address (sim:left, "
                                           "sim:right: the bridge's simulated ones)")
                              ->check(nonEmpty("a device name or address")));
  options.eeg64Option =
      group
          ->add_option("--eeg64", options.eeg64,
                       "the 64-channel set of two devices LEFT RIGHT (default: sim:left sim:right)")
          ->expected(0, 2);
  options.given.push_back(options.eeg64Option);
  command.add_option("--sensor", options.sensor, "EEG sensor type, for contact grading")
      ->check(CLI::IsMember({"dry", "water"}))
      ->capture_default_str();
  command.add_flag("--sd-card", options.sdCard,
                   "switch the device's SD-card recorder on while acquiring (zav info shows its folder and "
                   "file; the simulated device records into the folder its configuration's \"card\" names)");
}

void checkDeviceOptions(DeviceOptions& options) {
  int given = 0;
  for (const CLI::Option* option : options.given) given += option->count() > 0 ? 1 : 0;
  if (given > 1) throw CLI::ValidationError("DEVICE", "give one device option, not " + std::to_string(given));
  options.eeg64Given = options.eeg64Option->count() > 0;
  if (!options.eeg64Given) return;
  // CLI11 leaves one empty value for an option given without any.
  if (options.eeg64.empty() || (options.eeg64.size() == 1 && options.eeg64[0].empty())) {
    options.eeg64 = {kSimulatedLeft, kSimulatedRight};
  }
  if (options.eeg64.size() != 2)
    throw CLI::ValidationError("--eeg64", "takes two device names, LEFT RIGHT, or none");
  for (const std::string& name : options.eeg64) {
    if (name.empty()) throw CLI::ValidationError("--eeg64", "needs device names, not an empty text");
  }
}

DriverPtr openDevice(const DeviceOptions& options, std::string& description) {
  const uint32_t sensor = options.sensor == "water" ? 2u : 1u;
  if (options.eeg64Given) {
    description = "64-channel set " + options.eeg64[0] + " + " + options.eeg64[1];
    return DriverPtr(zav_driver_new_eeg64(options.eeg64[0].c_str(), options.eeg64[1].c_str()));
  }
  if (!options.serial.empty()) {
    description = "serial device " + options.serial;
    return DriverPtr(zav_driver_new_serial(options.serial.c_str(), sensor));
  }
  if (options.usb >= 0) {
    description = "USB device " + usbPortPath(options.usb);
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

bool connectDevice(zav_driver* driver, const DeviceOptions& options, std::string& error) {
  if (driver == nullptr) {
    error = zav_last_error();
    return false;
  }
  takeLogLines();
  zav_driver_connect(driver);
  if (zav_driver_is_connected(driver)) {
    flushLogLines();
    return true;
  }
  const std::vector<std::string> lines = takeLogLines();
  if (options.eeg64Given) {
    error = eeg64Failure(options, lines);
  } else if (!options.serial.empty()) {
    error = serialFailure(options.serial, lines);
  } else if (options.usb >= 0) {
    error = serialFailure(usbPortPath(options.usb), lines);
  } else if (!options.bluetooth.empty()) {
    error = "cannot reach the Bluetooth device " + options.bluetooth + " (is it paired and switched on?)";
  } else {
    // The simulated device explains itself: an unreadable or invalid configuration.
    error = lines.empty() ? std::string(zav_last_error()) : lines.back();
  }
  return false;
}

}  // namespace zav::cli

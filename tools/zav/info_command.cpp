// zav info: identity, versions, frequency, signals and SD-card state of a device.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "command.h"
#include "device_options.h"

namespace zav::cli {

namespace {

// The unit of a signal's values, as zav_driver_read gives them.
const char* unitOf(const char* type) {
  if (std::strcmp(type, "EEG") == 0 || std::strcmp(type, "ExG_A") == 0 || std::strcmp(type, "ExG_B") == 0 ||
      std::strcmp(type, "GEN") == 0) {
    return "uV";
  }
  if (std::strcmp(type, "ACC") == 0) return "g";
  if (std::strcmp(type, "IMU_B") == 0) return "m/s2, deg/s, uT";
  if (std::strcmp(type, "DIN") == 0 || std::strcmp(type, "DOUT") == 0) return "line states";
  return "device units";
}

int runInfo(const DeviceOptions& options) {
  std::string description;
  DriverPtr driver = openDevice(options, description);
  std::string error;
  if (!connectDevice(driver.get(), options, error)) {
    std::fprintf(stderr, "zav: %s\n", error.c_str());
    return kExitFailed;
  }
  std::printf("device      %s\n", description.c_str());
  uint16_t major = 0;
  uint16_t minor = 0;
  if (zav_driver_get_hw_version(driver.get(), &major, &minor))
    std::printf("hardware    %u.%u\n", major, minor);
  if (zav_driver_get_fw_version(driver.get(), &major, &minor))
    std::printf("firmware    %u.%u\n", major, minor);
  const uint16_t frequency = zav_driver_get_frequency(driver.get());
  std::printf("frequency   %u blocks/s\n\n", frequency);

  std::printf("  #  type    channels  samples  mode  rate (samples/s)  unit\n");
  const uint16_t count = zav_driver_get_number_of_signals(driver.get());
  for (uint16_t i = 0; i < count; ++i) {
    zav_signal* signal = zav_driver_get_signal(driver.get(), i);
    char type[16];
    zav_signal_get_type(signal, type, sizeof type);
    const int samples = zav_signal_get_samples(signal);
    const int mode = zav_signal_get_mode(signal);
    std::printf("%3u  %-6s  %8d  %7d  %4d  %16d  %s\n", i + 1, type, zav_signal_get_channels(signal), samples,
                mode, samples * frequency, unitOf(type));
  }
  std::printf("\ndata size   %d values per block\n", zav_driver_read_data_size(driver.get()));

  if (zav_driver_has_sd_card_capability(driver.get())) {
    char folder[512];
    char file[512];
    zav_driver_get_folder(driver.get(), folder, sizeof folder);
    zav_driver_get_file(driver.get(), file, sizeof file);
    std::printf("SD card     %s, folder \"%s\", file \"%s\"\n",
                zav_driver_is_sd_card_enabled(driver.get()) ? "recording on" : "recording off", folder, file);
  } else {
    std::printf("SD card     none\n");
  }
  zav_driver_disconnect(driver.get());
  return kExitOk;
}

}  // namespace

void addInfoCommand(CLI::App& app, CommandAction& action) {
  auto options = std::make_shared<DeviceOptions>();
  CLI::App* command = app.add_subcommand("info", "show a device's identity, frequency, signals and SD card");
  addDeviceOptions(*command, *options);
  command->callback([&action, options] {
    checkDeviceOptions(*options);
    action = [options] { return runInfo(*options); };
  });
}

}  // namespace zav::cli

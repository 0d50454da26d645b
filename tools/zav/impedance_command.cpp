// zav impedance: a contact check; prints every EEG channel's final grade and fails when a
// channel is bad or saturated.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "acquisition.h"
#include "command.h"
#include "device_options.h"
#include "interrupt.h"
#include "status_line.h"

namespace zav::cli {

namespace {

struct ImpedanceOptions {
  DeviceOptions device;
  double seconds = 15.0;
};

int runImpedance(const ImpedanceOptions& options) {
  std::string description;
  DriverPtr driver = openDevice(options.device, description);
  Acquisition acquisition(driver.get());
  std::string error;
  if (!acquisition.begin(error)) {
    std::fprintf(stderr, "zav: %s: %s\n", description.c_str(), error.c_str());
    return 2;
  }
  if (acquisition.stats().eegChannels == 0) {
    std::fprintf(stderr, "zav: the %s has no enabled EEG signal\n", description.c_str());
    acquisition.end();
    return 2;
  }
  std::printf("contact check on the %s for %.0f s\n", description.c_str(), options.seconds);
  installInterruptHandler();
  StatusDisplay display(stdout);
  acquisition.run(options.seconds, [&](const AcquisitionStats& stats) { display.show(stats, acquisition.grades()); });
  const std::vector<int> grades = acquisition.grades();
  display.finish(acquisition.stats(), grades);
  acquisition.end();

  if (grades.empty()) {
    std::fprintf(stderr, "zav: the check ended before the first grades (they need 10 s of data)\n");
    return 2;
  }
  int bad = 0;
  int unknown = 0;
  for (std::size_t c = 0; c < grades.size(); ++c) {
    std::printf("EEG-ch%-3zu %s\n", c + 1, gradeName(grades[c]).c_str());
    if (grades[c] == 3 || grades[c] == 4) ++bad;
    if (grades[c] == 0) ++unknown;
  }
  if (acquisition.stats().linkLost || unknown > 0) {
    std::fprintf(stderr, "zav: no complete contact check (%d channels without a grade)\n", unknown);
    return 2;
  }
  if (bad > 0) {
    std::printf("%d of %zu channels need attention\n", bad, grades.size());
    return 1;
  }
  std::printf("all %zu channels have contact\n", grades.size());
  return 0;
}

}  // namespace

void addImpedanceCommand(CLI::App& app, CommandAction& action) {
  auto options = std::make_shared<ImpedanceOptions>();
  CLI::App* command = app.add_subcommand("impedance", "check the electrode contact of every EEG channel");
  addDeviceOptions(*command, options->device);
  command->add_option("--seconds", options->seconds, "length of the check (grades need about 10 s)")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  command->callback([&action, options] { action = [options] { return runImpedance(*options); }; });
}

}  // namespace zav::cli

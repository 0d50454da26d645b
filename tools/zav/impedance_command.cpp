// zav impedance: a contact check; prints every EEG channel's final grade and fails when a
// channel is bad or saturated.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "acquisition.h"
#include "command.h"
#include "device_options.h"
#include "status_line.h"

namespace zav::cli {

namespace {

struct ImpedanceOptions {
  DeviceOptions device;
  double seconds = 15.0;
};

int runImpedance(const ImpedanceOptions& options) {
  std::unique_ptr<LiveSession> session = beginLiveSession(options.device);
  if (!session) return 2;
  Acquisition& acquisition = *session->acquisition;
  if (acquisition.stats().eegChannels == 0) {
    std::fprintf(stderr, "zav: the %s has no enabled EEG signal\n", session->description.c_str());
    acquisition.end();
    return 2;
  }
  std::printf("contact check on the %s for %.0f s\n", session->description.c_str(), options.seconds);
  runWithStatus(acquisition, options.seconds);
  const std::vector<int> grades = acquisition.grades();
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

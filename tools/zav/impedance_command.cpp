// zav impedance: a contact check; prints every EEG channel's final grade and fails when a
// channel is bad or saturated.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "acquisition.h"
#include "arguments.h"
#include "command.h"
#include "device_options.h"
#include "status_line.h"

namespace zav::cli {

namespace {

constexpr double kGradeSeconds = 10.0;

struct ImpedanceOptions {
  DeviceOptions device;
  double seconds = 15.0;
};

int runImpedance(const ImpedanceOptions& options) {
  std::unique_ptr<LiveSession> session = beginLiveSession(options.device);
  if (!session) return kExitFailed;
  Acquisition& acquisition = *session->acquisition;
  if (acquisition.stats().eegChannels == 0) {
    std::fprintf(stderr, "zav: the %s has no EEG signal switched on\n", session->description.c_str());
    acquisition.end();
    return kExitFailed;
  }
  std::printf("contact check on the %s for %.0f s\n", session->description.c_str(), options.seconds);
  const RunEnd ending = runWithStatus(acquisition, options.seconds, {}, true);
  const std::vector<int> grades = acquisition.grades();
  acquisition.end();

  if (grades.empty()) {
    std::fprintf(stderr, "zav: the check ended before the first grades (%s)\n",
                 ending == RunEnd::interrupted  ? "stopped by Ctrl-C"
                 : acquisition.stats().linkLost ? "the link was lost"
                                                : "they need 10 s of data");
    return ending == RunEnd::interrupted ? kExitInterrupted : kExitFailed;
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
    return kExitFailed;
  }
  if (bad > 0) {
    std::printf("%d of %zu channels need attention\n", bad, grades.size());
    return kExitContact;
  }
  std::printf("all %zu channels have contact\n", grades.size());
  return kExitOk;
}

}  // namespace

void addImpedanceCommand(CLI::App& app, CommandAction& action) {
  auto options = std::make_shared<ImpedanceOptions>();
  CLI::App* command = app.add_subcommand("impedance", "check the electrode contact of every EEG channel");
  addDeviceOptions(*command, options->device);
  command->add_option("--seconds", options->seconds, "length of the check (grades need 10 s of data)")
      ->check(secondsAtLeast(kGradeSeconds, "grades need 10 s of data"))
      ->capture_default_str();
  command->callback([&action, options] {
    checkDeviceOptions(options->device);
    action = [options] { return runImpedance(*options); };
  });
}

}  // namespace zav::cli

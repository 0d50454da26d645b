// zav stream: live acquisition with a status line; Ctrl-C stops cleanly.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "acquisition.h"
#include "arguments.h"
#include "command.h"
#include "device_options.h"

namespace zav::cli {

namespace {

struct StreamOptions {
  DeviceOptions device;
  double seconds = 0.0;
};

int runStream(const StreamOptions& options) {
  std::unique_ptr<LiveSession> session = beginLiveSession(options.device);
  if (!session) return kExitFailed;
  Acquisition& acquisition = *session->acquisition;
  std::printf("streaming from the %s%s\n", session->description.c_str(),
              options.seconds > 0 ? "" : " (Ctrl-C stops)");
  const RunEnd ending = runWithStatus(acquisition, options.seconds);
  const bool stopped = acquisition.end();
  const AcquisitionStats& stats = acquisition.stats();
  if (stats.linkLost) {
    std::fprintf(stderr, "zav: the link to the device was lost after %.1f s\n", stats.seconds);
    return kExitFailed;
  }
  if (stats.blocks == 0) {
    std::fprintf(stderr, "zav: no data block arrived\n");
    return kExitFailed;
  }
  if (stats.pair && !stats.aligned) {
    std::fprintf(stderr, "zav: the two devices never aligned (no marker code seen on both)\n");
    return kExitFailed;
  }
  if (ending == RunEnd::interrupted && options.seconds > 0) {
    std::fprintf(stderr, "zav: stopped by Ctrl-C after %.1f s\n", stats.seconds);
    return kExitInterrupted;
  }
  return stopped ? kExitOk : kExitFailed;
}

}  // namespace

void addStreamCommand(CLI::App& app, CommandAction& action) {
  auto options = std::make_shared<StreamOptions>();
  CLI::App* command = app.add_subcommand("stream", "acquire live data and show the status");
  addDeviceOptions(*command, options->device);
  command->add_option("--seconds", options->seconds, "stop after this many seconds (default: at Ctrl-C)")
      ->check(secondsAtLeast(0.0, ""));
  command->callback([&action, options] {
    checkDeviceOptions(options->device);
    action = [options] { return runStream(*options); };
  });
}

}  // namespace zav::cli

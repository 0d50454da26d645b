// zav record OUT: live acquisition into a BDF+ file through the library's recorder, with
// the status line of zav stream; the file is complete however the recording ends.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "acquisition.h"
#include "arguments.h"
#include "command.h"
#include "device_options.h"
#include "log_relay.h"

namespace zav::cli {

namespace {

struct RecordOptions {
  DeviceOptions device;
  std::string output;
  std::string format;  // empty: from the extension of output
  double seconds = 0.0;
};

// The format from --format or else from the file name; throws a usage error for any other.
std::string chooseFormat(const RecordOptions& options) {
  std::string extension = std::filesystem::path(options.output).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string format = !options.format.empty() ? options.format : extension == ".csv" ? "csv" : "bdf";
  if (format == "csv") {
    throw CLI::ValidationError("--format",
                               "csv is not available: the library records live data to BDF+ only");
  }
  if (extension != ".bdf") throw CLI::ValidationError("OUT", "a BDF+ recording needs a name ending in .bdf");
  return format;
}

int runRecord(const RecordOptions& options) {
  const std::filesystem::path folder = std::filesystem::path(options.output).parent_path();
  std::error_code error;
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    std::fprintf(stderr, "zav: output folder %s does not exist\n", folder.string().c_str());
    return kExitFailed;
  }
  std::unique_ptr<LiveSession> session = beginLiveSession(options.device);
  if (!session) return kExitFailed;
  Acquisition& acquisition = *session->acquisition;
  zav_driver* driver = session->driver.get();
  if (!zav_driver_record_start(driver, options.output.c_str())) {
    std::fprintf(stderr, "zav: cannot record into %s: %s\n", options.output.c_str(), zav_last_error());
    acquisition.end();
    return kExitFailed;
  }
  std::printf("recording the %s into %s%s\n", session->description.c_str(), options.output.c_str(),
              options.seconds > 0 ? "" : " (Ctrl-C stops)");
  // A write error (a full disk) ends the recording inside the library, which says why.
  const RunEnd ending =
      runWithStatus(acquisition, options.seconds, [] { return !recordingStopReason().empty(); });
  const bool complete = zav_driver_record_stop(driver);
  const std::string stopError = complete ? std::string() : std::string(zav_last_error());
  acquisition.end();
  const AcquisitionStats& stats = acquisition.stats();

  const std::string reason = recordingStopReason();
  if (!complete) {
    std::fprintf(stderr, "zav: the recording failed after %.1f s: %s\n", stats.seconds, stopError.c_str());
    return kExitFailed;
  }
  std::printf("%s holds %llu blocks (%.1f s)\n", options.output.c_str(),
              static_cast<unsigned long long>(stats.blocks), stats.seconds);
  if (ending == RunEnd::linkLost) {
    std::fprintf(stderr,
                 "zav: the link to the device was lost after %.1f s; the file is complete up to then\n",
                 stats.seconds);
    return kExitFailed;
  }
  if (ending == RunEnd::stoppedByCaller) {
    std::fprintf(stderr, "zav: the recording stopped after %.1f s: %s\n", stats.seconds, reason.c_str());
    return kExitFailed;
  }
  if (ending == RunEnd::interrupted && options.seconds > 0) {
    std::fprintf(stderr, "zav: stopped by Ctrl-C after %.1f s; the file is complete up to then\n",
                 stats.seconds);
    return kExitInterrupted;
  }
  return kExitOk;
}

}  // namespace

void addRecordCommand(CLI::App& app, CommandAction& action) {
  auto options = std::make_shared<RecordOptions>();
  CLI::App* command = app.add_subcommand("record", "record live data into a BDF+ file, with the live status");
  command->add_option("OUT", options->output, "the file to write (replaced if it exists), ending in .bdf")
      ->required()
      ->check(nonEmpty("a file name"));
  addDeviceOptions(*command, options->device);
  command->add_option("--seconds", options->seconds, "stop after this many seconds (default: at Ctrl-C)")
      ->check(secondsAtLeast(0.0, ""));
  command->add_option("--format", options->format, "file format (default: from OUT's extension)")
      ->check(CLI::IsMember({"bdf", "csv"}));
  command->callback([&action, options] {
    checkDeviceOptions(options->device);
    chooseFormat(*options);
    action = [options] { return runRecord(*options); };
  });
}

}  // namespace zav::cli

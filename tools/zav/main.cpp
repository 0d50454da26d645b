// zav: a command line for zav devices and records.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "log_relay.h"
#include "system_names.h"
#include "usage.h"
#include "zav/zav.h"

namespace {

using zav::cli::kExitUsage;

int usageError(const std::string& message, const std::string& command) {
  std::fprintf(stderr, "zav: %s\n%s", message.c_str(), zav::cli::usageText(command).c_str());
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"zav " ZAV_VERSION_STRING
               ": EEG amplifier access, live acquisition and SD-card record import"};
  app.require_subcommand(1);
  // Paths such as /dev/ttyACM0 or /media/card are arguments, not Windows-style "/option"s.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("zav ") + zav_version());
  app.footer(zav::cli::exitStatusText());
  zav::cli::CommandAction action;
  zav::cli::addInfoCommand(app, action);
  zav::cli::addStreamCommand(app, action);
  zav::cli::addImpedanceCommand(app, action);
  zav::cli::addRecordCommand(app, action);
  addImportCommand(app, action);
  addRecordsCommand(app, action);

  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
  if (argc > 1 && argv[1][0] != '-' && std::find(names.begin(), names.end(), argv[1]) == names.end()) {
    const std::string nearest = zav::cli::nearestName(argv[1], names);
    return usageError("unknown command \"" + std::string(argv[1]) + "\"" +
                          (nearest.empty() ? "" : "; did you mean \"" + nearest + "\"?"),
                      "");
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const std::string message = chosen.empty() ? "a command is required" : error.what();
    return usageError(message, chosen.empty() ? std::string() : chosen.front()->get_name());
  }
  // Bluetooth devices reached through the bridge find rfbridge beside zav, installed or not.
  const std::string folder = zav::cli::programFolder(argc > 0 ? argv[0] : nullptr);
  if (!folder.empty()) zav_set_bridge_folder(folder.c_str());
  zav::cli::installLogRelay();
  const int status = action ? action() : zav::cli::kExitFailed;
  zav::cli::flushLogLines();
  return status;
}

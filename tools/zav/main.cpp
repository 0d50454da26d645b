// zav: a command line for zav devices and records.
#include <CLI/CLI.hpp>

#include "command.h"
#include "zav/zav.h"

int main(int argc, char** argv) {
  CLI::App app{"zav " ZAV_VERSION_STRING ": EEG amplifier access, live acquisition and SD-card record import"};
  app.require_subcommand(1);
  zav::cli::CommandAction action;
  zav::cli::addInfoCommand(app, action);
  zav::cli::addStreamCommand(app, action);
  zav::cli::addImpedanceCommand(app, action);
  addImportCommand(app, action);
  addRecordsCommand(app, action);
  CLI11_PARSE(app, argc, argv);
  return action ? action() : 1;
}

#include "records_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "import_progress.h"
#include "zav/zav.h"

namespace {

int printRecord(const zav_record_info* record, void* user) {
  bool& headerShown = *static_cast<bool*>(user);
  if (!headerShown) {
    std::printf("%-24s %5s %9s  %-14s %s\n", "record", "files", "duration", "frequency", "signals (channels)");
    headerShown = true;
  }
  const std::string frequency = std::to_string(record->frequency) + " blocks/s";
  std::printf("%-24s %5u %9s  %-14s %s\n", record->name, static_cast<unsigned>(record->file_count),
              zav::cli::clockText(record->seconds).c_str(), frequency.c_str(), record->signals);
  return 1;
}

int runRecords(const std::string& folder) {
  bool headerShown = false;
  const int records = zav_list_sd_records(folder.c_str(), printRecord, &headerShown);
  if (records < 0) {
    std::fprintf(stderr, "zav: %s\n", zav_last_error());
    return 1;
  }
  if (records == 0) std::printf("no records in %s\n", folder.c_str());
  return 0;
}

}  // namespace

void addRecordsCommand(CLI::App& app, std::function<int()>& action) {
  auto folder = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("records", "list the SD-card records in a folder");
  command->add_option("folder", *folder, "folder holding record files")->required();
  command->callback([&action, folder] { action = [folder] { return runRecords(*folder); }; });
}

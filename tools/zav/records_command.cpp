#include "records_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "import_progress.h"
#include "zav/zav.h"

namespace {

int printRecord(const zav_record_info* record, void* user) {
  bool& headerShown = *static_cast<bool*>(user);
  if (!headerShown) {
    std::printf("%-24s %5s %9s  %-14s %s\n", "record", "files", "duration", "frequency",
                "signals (channels)");
    headerShown = true;
  }
  const std::string frequency = std::to_string(record->frequency) + " blocks/s";
  std::printf("%-24s %5u %9s  %-14s %s\n", record->name, static_cast<unsigned>(record->file_count),
              zav::cli::clockText(record->seconds).c_str(), frequency.c_str(), record->signals);
  return 1;
}

int printPair(const zav_record_pair* pair, void*) {
  std::printf("%-24s %-24s -> %s\n", pair->left, pair->right,
              pair->subfolder[0] == '\0' ? "." : pair->subfolder);
  return 1;
}

int runPairs(const std::vector<std::string>& arguments) {
  std::printf("%-24s %-24s    %s\n", "left record", "right record", "output subfolder");
  const int pairs = zav_list_eeg64_sd_record_pairs(arguments[0].c_str(), arguments[1].c_str(),
                                                   arguments[2].c_str(), printPair, nullptr);
  if (pairs < 0) {
    std::fprintf(stderr, "zav: %s\n", zav_last_error());
    return 1;
  }
  if (pairs == 0) std::printf("no left/right pairs for %s\n", arguments[2].c_str());
  return 0;
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
  auto arguments = std::make_shared<std::vector<std::string>>();
  auto eeg64 = std::make_shared<bool>(false);
  CLI::App* command =
      app.add_subcommand("records", "list the SD-card records in a folder, or 64-channel pairs");
  command
      ->add_option("FOLDER", *arguments,
                   "folder holding record files; with --eeg64: LEFTFOLDER RIGHTFOLDER BASE")
      ->required();
  command->add_flag("--eeg64", *eeg64, "list the left/right record pairs that zav import --eeg64 converts");
  command->callback([&action, arguments, eeg64] {
    if (arguments->size() != (*eeg64 ? 3u : 1u)) {
      throw CLI::ValidationError(*eeg64 ? "records --eeg64" : "records",
                                 *eeg64 ? "takes LEFTFOLDER RIGHTFOLDER BASE" : "takes one FOLDER");
    }
    action = [arguments, eeg64] { return *eeg64 ? runPairs(*arguments) : runRecords(arguments->front()); };
  });
}

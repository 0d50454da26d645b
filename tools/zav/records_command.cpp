#include "records_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "import_progress.h"
#include "record/record_catalog.h"

namespace {

// "EEG 32, D in 3": the enabled signals with their channel counts.
std::string signalSummary(const zav::SignalList& signals) {
  std::string text;
  for (std::size_t i = 0; i < signals.size(); ++i) {
    if (signals[i].mode <= 0) continue;
    if (!text.empty()) text += ", ";
    text += zav::signalDisplayName(signals, i) + " " + std::to_string(signals[i].channels);
  }
  return text.empty() ? "none" : text;
}

int runRecords(const std::string& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::fprintf(stderr, "zav: %s is not a readable folder\n", folder.c_str());
    return 1;
  }
  const std::vector<zav::RecordSummary> records = zav::listRecords(folder);
  if (records.empty()) {
    std::printf("no records in %s\n", folder.c_str());
    return 0;
  }
  std::printf("%-24s %5s %9s  %-14s %s\n", "record", "files", "duration", "frequency", "signals (channels)");
  for (const zav::RecordSummary& record : records) {
    const std::string frequency = std::to_string(record.header.frequency) + " blocks/s";
    std::printf("%-24s %5zu %9s  %-14s %s\n", record.name.c_str(), record.files.size(),
                zav::cli::clockText(record.seconds()).c_str(), frequency.c_str(),
                signalSummary(record.header.signals).c_str());
  }
  return 0;
}

}  // namespace

void addRecordsCommand(CLI::App& app, std::function<int()>& action) {
  auto folder = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("records", "list the SD-card records in a folder");
  command->add_option("folder", *folder, "folder holding record files")->required();
  command->callback([&action, folder] { action = [folder] { return runRecords(*folder); }; });
}

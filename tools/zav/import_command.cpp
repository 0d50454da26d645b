#include "import_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "import_progress.h"
#include "zav/zav.h"

namespace {

struct ImportOptions {
  std::string folder;
  std::string record;
  std::string output;
};

struct ImportReport {
  zav::cli::ImportDisplay* display;
  const std::string* record;
  uint64_t bytesTotal = 0;  // of the record's blocks, when the listing knows the record
  bool reported = false;
};

int onRecord(const zav_record_info* info, void* user) {
  auto* report = static_cast<ImportReport*>(user);
  if (std::strcmp(info->name, report->record->c_str()) != 0) return 1;
  report->bytesTotal = info->data_bytes;
  return 0;
}

int onProgress(uint64_t blocksDone, uint64_t blockCount, void* user) {
  auto* report = static_cast<ImportReport*>(user);
  zav::cli::ImportStatus status;
  status.blocksDone = blocksDone;
  status.blockCount = blockCount;
  status.bytesTotal = report->bytesTotal;
  const uint64_t blockBytes = blockCount > 0 ? report->bytesTotal / blockCount : 0;
  status.bytesDone = std::min(blocksDone * blockBytes, report->bytesTotal);
  report->display->show(status);
  report->reported = true;
  return 1;
}

int runImport(const ImportOptions& options) {
  std::error_code error;
  const bool outputExisted = std::filesystem::exists(options.output, error);
  std::filesystem::create_directories(options.output, error);
  if (error) {
    std::fprintf(stderr, "zav: cannot create %s: %s\n", options.output.c_str(), error.message().c_str());
    return 1;
  }
  zav::cli::ImportDisplay display(stderr);
  ImportReport report{&display, &options.record};
  zav_list_sd_records(options.folder.c_str(), onRecord, &report);
  const bool converted = zav_import_sd_record_with_progress(options.folder.c_str(), options.record.c_str(),
                                                            options.output.c_str(), onProgress, &report) == 1;
  const std::string reason = zav_last_error();
  if (!converted && !report.reported) {
    // Nothing was found to convert: leave no trace of the attempt.
    if (!outputExisted) std::filesystem::remove(options.output, error);
    std::fprintf(stderr, "zav: %s\n", reason.c_str());
    return 1;
  }
  display.finish(converted, options.record, options.output, stdout);
  if (!converted) {
    std::fprintf(stderr, "zav: %s\n", reason.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

void addImportCommand(CLI::App& app, std::function<int()>& action) {
  auto options = std::make_shared<ImportOptions>();
  CLI::App* command = app.add_subcommand("import", "convert an SD-card record into CSV files");
  command->add_option("folder", options->folder, "folder holding the record's files")->required();
  command->add_option("record", options->record, "record name (files named <n>_<record>...)")->required();
  command->add_option("output", options->output, "folder for the CSV files (created when missing)")
      ->required();
  command->callback([&action, options] { action = [options] { return runImport(*options); }; });
}

#include "import_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "import_progress.h"
#include "record/record_files.h"
#include "record/sd_record_export.h"

namespace {

struct ImportOptions {
  std::string folder;
  std::string record;
  std::string output;
};

int runImport(const ImportOptions& options) {
  bool validName = true;
  if (zav::findRecordFiles(options.folder, options.record, validName).empty()) {
    if (validName)
      std::fprintf(stderr, "zav: no record %s in %s\n", options.record.c_str(), options.folder.c_str());
    else
      std::fprintf(stderr, "zav: %s is not a usable record name (a regular expression)\n",
                   options.record.c_str());
    return 1;
  }
  std::error_code error;
  std::filesystem::create_directories(options.output, error);
  if (error) {
    std::fprintf(stderr, "zav: cannot create %s: %s\n", options.output.c_str(), error.message().c_str());
    return 1;
  }
  zav::cli::ImportDisplay display(stderr);
  zav::ImportProgress progress;
  progress.update = [&display](const zav::ImportStatus& status) { display.show(status); };
  progress.everyBlocks = 256;
  const bool converted = zav::importSdRecord(options.folder.c_str(), options.record.c_str(),
                                             options.output.c_str(), &progress) == 1;
  display.finish(converted, options.record, options.output, stdout);
  if (!converted) {
    std::fprintf(stderr, "zav: the record %s in %s was not converted whole\n", options.record.c_str(),
                 options.folder.c_str());
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

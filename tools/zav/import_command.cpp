#include "import_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <system_error>
#include <vector>

#include "import_progress.h"
#include "zav/zav.h"

namespace {

struct ImportOptions {
  std::vector<std::string> arguments;  // FOLDER RECORD OUTPUT, or with --eeg64 LEFT RIGHT BASE OUTPUT
  bool eeg64 = false;
  std::string folder;
  std::string record;
  std::string output;
  std::string rightFolder;
  std::string match;  // a regular expression searched in file names, instead of an exact name
  std::string format = "csv";  // csv: files in the OUTPUT folder; bdf: OUTPUT is one BDF+ file
};

struct ImportReport {
  zav::cli::ImportDisplay* display;
  const std::string* record;
  uint64_t bytesTotal = 0;  // of the record's blocks, when the listing knows the record
  bool reported = false;
  int pairs = 0;
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

int onListed(const zav_record_info* info, void* user) {
  static_cast<std::vector<std::string>*>(user)->push_back(info->name);
  return 1;
}

// The library's pattern for exactly the record that `zav records` lists by this name:
// the name taken literally, then only an extension up to the end of the file name.
std::string exactPattern(const std::string& name) {
  static const std::string special = "\\^$.|?*+()[]{}";
  std::string pattern;
  for (char c : name) {
    if (special.find(c) != std::string::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "(\\.[^.]*$|$)";
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// The record pattern to convert, or an empty text after saying why there is none.
std::string recordPattern(const ImportOptions& options) {
  std::vector<std::string> records;
  zav_list_sd_records(options.folder.c_str(), onListed, &records);
  if (options.match.empty()) {
    if (std::find(records.begin(), records.end(), options.record) != records.end()) {
      return exactPattern(options.record);
    }
    std::fprintf(stderr, "zav: no record %s in %s%s%s\n", options.record.c_str(), options.folder.c_str(),
                 records.empty() ? "" : " (it holds ", records.empty() ? "" : (joined(records) + ")").c_str());
    return {};
  }
  std::vector<std::string> matched;
  try {
    const std::regex pattern("[0-9]_" + options.match, std::regex::ECMAScript);
    for (const std::string& record : records) {
      if (std::regex_search("0_" + record, pattern)) matched.push_back(record);
    }
  } catch (const std::regex_error&) {
    std::fprintf(stderr, "zav: --match %s is not a usable regular expression\n", options.match.c_str());
    return {};
  }
  if (matched.size() > 1) {
    std::fprintf(stderr, "zav: --match %s finds the files of several records (%s): name one exactly\n",
                 options.match.c_str(), joined(matched).c_str());
    return {};
  }
  return options.match;
}

int onPair(const zav_record_pair* pair, void* user) {
  auto* report = static_cast<ImportReport*>(user);
  std::printf("pair %s + %s -> %s\n", pair->left, pair->right,
              pair->subfolder[0] == '\0' ? "." : pair->subfolder);
  ++report->pairs;
  return 1;
}

// One BDF+ file from the same blocks as the CSV files (gaps annotated, not filled in).
int runBdfImport(const ImportOptions& options) {
  if (options.eeg64) {
    // One file per pair, named after it, in the OUTPUT folder.
    std::error_code error;
    std::filesystem::create_directories(options.output, error);
    const int pairs = zav_import_eeg64_sd_record_bdf(options.folder.c_str(), options.rightFolder.c_str(),
                                                     options.record.c_str(), options.output.c_str());
    if (pairs <= 0) {
      std::fprintf(stderr, "zav: %s\n", zav_last_error());
      return 1;
    }
    std::printf("converted %d record pair%s into %s\n", pairs, pairs == 1 ? "" : "s", options.output.c_str());
    return 0;
  }
  const std::string pattern = recordPattern(options);
  if (pattern.empty()) return 1;
  if (zav_import_sd_record_bdf(options.folder.c_str(), pattern.c_str(), options.output.c_str()) != 1) {
    std::fprintf(stderr, "zav: %s\n", zav_last_error());
    return 1;
  }
  std::printf("converted %s into %s\n", options.record.c_str(), options.output.c_str());
  return 0;
}

int runImport(const ImportOptions& options) {
  if (options.format == "bdf") return runBdfImport(options);
  std::error_code error;
  const bool outputExisted = std::filesystem::exists(options.output, error);
  std::filesystem::create_directories(options.output, error);
  if (error) {
    std::fprintf(stderr, "zav: cannot create %s: %s\n", options.output.c_str(), error.message().c_str());
    return 1;
  }
  zav::cli::ImportDisplay display(stderr);
  ImportReport report{&display, &options.record};
  bool converted = false;
  if (options.eeg64) {
    if (zav_list_eeg64_sd_record_pairs(options.folder.c_str(), options.rightFolder.c_str(),
                                       options.record.c_str(), onPair, &report) <= 0) {
      if (!outputExisted) std::filesystem::remove(options.output, error);
      std::fprintf(stderr, "zav: no left/right record pair for %s in %s and %s\n", options.record.c_str(),
                   options.folder.c_str(), options.rightFolder.c_str());
      return 1;
    }
    // The left records' sizes stand for the whole; the progress counts left blocks.
    const int done = zav_import_eeg64_sd_record_with_progress(
        options.folder.c_str(), options.rightFolder.c_str(), options.record.c_str(), options.output.c_str(),
        onProgress, &report);
    converted = done == report.pairs;
  } else {
    const std::string pattern = recordPattern(options);
    if (pattern.empty()) {
      if (!outputExisted) std::filesystem::remove(options.output, error);
      return 1;
    }
    zav_list_sd_records(options.folder.c_str(), onRecord, &report);
    converted = zav_import_sd_record_with_progress(options.folder.c_str(), pattern.c_str(),
                                                   options.output.c_str(), onProgress, &report) == 1;
  }
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
  CLI::App* command = app.add_subcommand(
      "import", "convert an SD-card record (FOLDER RECORD OUTPUT) or a 64-channel pair into CSV files");
  command
      ->add_option(
          "FOLDER RECORD OUTPUT", options->arguments,
          "the folder of the record's files, the record name (files <n>_<record>...) and the folder "
          "for the CSV files (created when missing); with --eeg64: LEFTFOLDER RIGHTFOLDER BASE OUTPUT")
      ->required();
  command->add_option("--match", options->match,
                      "take the files whose names hold <digit>_REGEX (a regular expression searched "
                      "anywhere) instead of the record named exactly as zav records lists it; refused when "
                      "it finds the files of several records");
  command->add_option("--format", options->format,
                      "csv: the CSV files in the OUTPUT folder; bdf: one BDF+ file named OUTPUT (with --eeg64: one "
                      "file per pair in the OUTPUT folder)")
      ->check(CLI::IsMember({"csv", "bdf"}));
  command->add_flag("--eeg64", options->eeg64,
                    "convert the left/right record pairs of a 64-channel set whose names hold BASE");
  command->callback([&action, options] {
    const bool matching = !options->match.empty() && !options->eeg64;
    const std::size_t wanted = options->eeg64 ? 4 : matching ? 2 : 3;
    if (options->arguments.size() != wanted) {
      throw CLI::ValidationError(options->eeg64 ? "import --eeg64" : "import",
                                 options->eeg64 ? "takes LEFTFOLDER RIGHTFOLDER BASE OUTPUT"
                                 : matching     ? "with --match takes FOLDER OUTPUT"
                                                : "takes FOLDER RECORD OUTPUT");
    }
    std::size_t next = 0;
    options->folder = options->arguments[next++];
    if (options->eeg64) options->rightFolder = options->arguments[next++];
    options->record = matching ? options->match : options->arguments[next++];
    options->output = options->arguments[next];
    action = [options] { return runImport(*options); };
  });
}

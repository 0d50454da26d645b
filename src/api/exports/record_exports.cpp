// Exported record conversions and the record listing; they need no handle.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "api/exports/boundary.h"
#include "record/bdf_writer.h"
#include "record/eeg64_record_export.h"
#include "record/record_catalog.h"
#include "record/record_files.h"
#include "record/sd_record_export.h"

using zav::exports::fail;
using zav::exports::guarded;
using zav::exports::setError;

namespace {

constexpr const char* kNullArgument = "null argument";
constexpr uint64_t kBlocksPerProgress = 256;

// Why a conversion found nothing to convert, or an empty text when files were found.
std::string missingRecord(const char* folder, const char* recordName) {
  bool valid = true;
  if (!zav::findRecordFiles(folder, recordName, valid).empty()) return {};
  if (!valid) return std::string(recordName) + " is not a usable record name (a regular expression)";
  return std::string("no record ") + recordName + " in " + folder;
}

int importRecord(const char* folder, const char* recordName, const char* outputFolder,
                 const zav::ImportProgress* progress) {
  const std::string missing = missingRecord(folder, recordName);
  if (!missing.empty()) return fail(0, missing.c_str());
  if (zav::importSdRecord(folder, recordName, outputFolder, progress) == 1) return 1;
  const std::string reason = std::string("the record ") + recordName + " in " + folder + " was not converted whole";
  return fail(0, reason.c_str());
}

// The pairs converted; when none, zav_last_error tells whether any was found.
int importPairs(const char* leftFolder, const char* rightFolder, const char* baseName,
                const char* outputFolder, const zav::ImportProgress* progress) {
  const int converted = zav::importEeg64SdRecord(leftFolder, rightFolder, baseName, outputFolder, progress);
  if (converted > 0) return converted;
  if (zav::eeg64Pairs(leftFolder, rightFolder, baseName).empty()) {
    const std::string reason = std::string("no left and right record pair ") + baseName + " in " +
                               leftFolder + " and " + rightFolder;
    return fail(0, reason.c_str());
  }
  return fail(0, (std::string("no record pair ") + baseName + " was converted whole").c_str());
}

using ProgressCallback = int (*)(uint64_t blocksDone, uint64_t blockCount, void* user);

// The host's progress callback as the importers report it. A declined report ends the
// conversion after the block before it (rows stay whole) and sets cancelled.
zav::ImportProgress progressReports(ProgressCallback progress, void* user, bool& cancelled) {
  zav::ImportProgress reports;
  reports.everyBlocks = kBlocksPerProgress;
  if (progress != nullptr) {
    reports.update = [progress, user, &cancelled](const zav::ImportStatus& status) {
      cancelled = cancelled || progress(status.blocksDone, status.blockCount, user) == 0;
      return !cancelled;
    };
  }
  return reports;
}

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

}  // namespace

extern "C" {

ZAV_API int zav_driver_import_sd_record(const char* folder, const char* recordName, const char* outputFolder) {
  if (folder == nullptr || recordName == nullptr || outputFolder == nullptr) return fail(0, kNullArgument);
  return guarded(0, [&] { return importRecord(folder, recordName, outputFolder, nullptr); });
}

ZAV_API int zav_import_sd_record_with_progress(const char* folder, const char* recordName, const char* outputFolder,
                                               int (*progress)(uint64_t blocksDone, uint64_t blockCount, void* user),
                                               void* user) {
  if (folder == nullptr || recordName == nullptr || outputFolder == nullptr) return fail(0, kNullArgument);
  bool cancelled = false;
  const int result = guarded(0, [&] {
    const zav::ImportProgress reports = progressReports(progress, user, cancelled);
    return importRecord(folder, recordName, outputFolder, &reports);
  });
  if (cancelled) setError("the conversion was cancelled");
  return result;
}

ZAV_API int zav_driver_import_eeg64_sd_record(const char* leftFolder, const char* rightFolder,
                                              const char* baseName, const char* outputFolder) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || outputFolder == nullptr) {
    return fail(0, kNullArgument);
  }
  return guarded(0, [&] { return importPairs(leftFolder, rightFolder, baseName, outputFolder, nullptr); });
}

ZAV_API int zav_import_eeg64_sd_record_bdf(const char* leftFolder, const char* rightFolder, const char* baseName,
                                           const char* outputFolder) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || outputFolder == nullptr) {
    return fail(0, kNullArgument);
  }
  return guarded(0, [&] {
    const int converted = zav::importEeg64SdRecordBdf(leftFolder, rightFolder, baseName, outputFolder);
    if (converted > 0) return converted;
    if (!zav::BdfWriter::available()) return fail(0, "BDF is not available in this build");
    if (zav::eeg64Pairs(leftFolder, rightFolder, baseName).empty()) {
      const std::string reason = std::string("no left and right record pair ") + baseName + " in " + leftFolder +
                                 " and " + rightFolder;
      return fail(0, reason.c_str());
    }
    return fail(0, (std::string("no record pair ") + baseName + " was converted whole").c_str());
  });
}

ZAV_API int zav_import_eeg64_sd_record_with_progress(
    const char* leftFolder, const char* rightFolder, const char* baseName, const char* outputFolder,
    int (*progress)(uint64_t blocksDone, uint64_t blockCount, void* user), void* user) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || outputFolder == nullptr) {
    return fail(0, kNullArgument);
  }
  bool cancelled = false;
  const int result = guarded(0, [&] {
    const zav::ImportProgress reports = progressReports(progress, user, cancelled);
    return importPairs(leftFolder, rightFolder, baseName, outputFolder, &reports);
  });
  if (cancelled) setError("the conversion was cancelled");
  return result;
}

ZAV_API int zav_list_eeg64_sd_record_pairs(const char* leftFolder, const char* rightFolder,
                                           const char* baseName,
                                           int (*callback)(const zav_record_pair* pair, void* user),
                                           void* user) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || callback == nullptr) {
    return fail(-1, kNullArgument);
  }
  return guarded(-1, [&] {
    for (const char* folder : {leftFolder, rightFolder}) {
      std::error_code error;
      if (!std::filesystem::is_directory(folder, error)) {
        return fail(-1, (std::string(folder) + " is not a readable folder").c_str());
      }
    }
    const std::vector<zav::Eeg64Pair> pairs = zav::eeg64Pairs(leftFolder, rightFolder, baseName);
    int listed = 0;
    for (const zav::Eeg64Pair& found : pairs) {
      const std::string subfolder = zav::eeg64PairFolder(found, pairs.size());
      const zav_record_pair pair{found.left.c_str(), found.right.c_str(), found.common.c_str(),
                                 subfolder.c_str()};
      ++listed;
      if (callback(&pair, user) == 0) break;
    }
    return listed;
  });
}

ZAV_API int zav_list_sd_records(const char* folder, int (*callback)(const zav_record_info* record, void* user),
                                void* user) {
  if (folder == nullptr || callback == nullptr) return fail(-1, kNullArgument);
  return guarded(-1, [&] {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
      return fail(-1, (std::string(folder) + " is not a readable folder").c_str());
    }
    int listed = 0;
    for (const zav::RecordSummary& record : zav::listRecords(folder)) {
      const std::string signals = signalSummary(record.header.signals);
      zav_record_info info{};
      info.name = record.name.c_str();
      info.file_count = static_cast<uint32_t>(record.files.size());
      info.frequency = record.header.frequency;
      info.block_count = record.blockCount;
      info.data_bytes = record.blockCount * zav::recordBlockBytes(record.header.signals);
      info.seconds = record.seconds();
      info.description = record.header.description.c_str();
      info.signals = signals.c_str();
      ++listed;
      if (callback(&info, user) == 0) break;
    }
    return listed;
  });
}

}  // extern "C"

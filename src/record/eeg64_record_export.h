// Conversion of the left/right record pairs of a two-device set into CSV files, as the
// exported zav_driver_import_eeg64_sd_record does it, with optional progress reports.
#pragma once

#include <string>

#include "record/eeg64_pairs.h"
#include "record/sd_record_export.h"

namespace zav {

// Where a pair's files go: the output folder itself when it is the only pair, else a
// subfolder named after the pair's common name, so that pairs do not overwrite each other.
std::string eeg64PairFolder(const Eeg64Pair& pair, std::size_t pairCount);

// Converts every pair eeg64Pairs finds; returns the number converted whole. Progress
// counts left blocks over all pairs; a declined report stops the conversion there (the
// pair under way is not counted).
int importEeg64SdRecord(const char* leftFolder, const char* rightFolder, const char* baseName,
                        const char* outputFolder, const ImportProgress* progress = nullptr);

// The same into one BDF+ file per pair, named after the pair's common name ("rec_.bdf"),
// in the output folder.
int importEeg64SdRecordBdf(const char* leftFolder, const char* rightFolder, const char* baseName,
                           const char* outputFolder);

}  // namespace zav

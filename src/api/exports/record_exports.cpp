// Exported record conversions; they need no handle.
#include "api/exports/boundary.h"
#include "record/sd_record_export.h"

using zav::exports::guarded;

extern "C" {

ZAV_API int zav_driver_import_sd_record(const char* folder, const char* recordName, const char* outputFolder) {
  if (folder == nullptr || recordName == nullptr || outputFolder == nullptr) return 0;
  return guarded(0, [&] { return zav::importSdRecord(folder, recordName, outputFolder); });
}

ZAV_API int zav_driver_import_eeg64_sd_record(const char* leftFolder, const char* rightFolder, const char* baseName,
                                              const char* outputFolder) {
  if (leftFolder == nullptr || rightFolder == nullptr || baseName == nullptr || outputFolder == nullptr) return 0;
  // The two-device record merge is not part of this build: no pair is converted.
  return 0;
}

}  // extern "C"

// Exported recordings to BDF+: a handle's live blocks, and SD-card records.
#include <string>

#include "api/exports/boundary.h"
#include "record/bdf_record_export.h"

using zav::exports::fail;
using zav::exports::guarded;
using zav::exports::handleOf;

namespace {

constexpr const char* kNullArgument = "null argument";

}  // namespace

extern "C" {

ZAV_API bool zav_driver_record_start(zav_driver* driver, const char* path) {
  if (driver == nullptr) return fail(false, "null driver handle");
  if (path == nullptr) return fail(false, kNullArgument);
  return guarded(false, [&] {
    std::string reason;
    return handleOf(driver)->startRecording(path, reason) || fail(false, reason.c_str());
  });
}

ZAV_API bool zav_driver_record_stop(zav_driver* driver) {
  if (driver == nullptr) return fail(false, "null driver handle");
  return guarded(false, [&] {
    std::string reason;
    return handleOf(driver)->stopRecording(reason) || fail(false, reason.c_str());
  });
}

ZAV_API int zav_import_sd_record_bdf(const char* folder, const char* recordName, const char* outputFile) {
  if (folder == nullptr || recordName == nullptr || outputFile == nullptr) return fail(0, kNullArgument);
  return guarded(0, [&] {
    std::string reason;
    return zav::importSdRecordBdf(folder, recordName, outputFile, &reason) == 1 ? 1 : fail(0, reason.c_str());
  });
}

}  // extern "C"

#include "record/bdf_record_export.h"

#include "record/bdf_writer.h"
#include "record/importer.h"
#include "record/sd_record_export.h"

namespace zav {

int importSdRecordBdf(const char* folder, const char* recordName, const char* outputFile,
                      std::string* reason) {
  std::string why;
  int result = 0;
  if (folder == nullptr || recordName == nullptr || outputFile == nullptr) {
    why = "null argument";
  } else if (!BdfWriter::available()) {
    why = "BDF is not available in this build";
  } else {
    const Importer importer(folder, recordName);
    BdfWriter writer(outputFile);
    if (importer.files().empty()) {
      why = std::string("no record ") + recordName + " in " + folder;
    } else {
      if (!importer.headers().empty()) {
        writer.setLayout(importer.headers().front().layout);
        writer.setRecordingText(importer.description());
      }
      result = exportRecord(importer, writer) ? 1 : 0;
      if (result == 0) {
        why = writer.error().empty()
                  ? std::string("the record ") + recordName + " in " + folder + " was not read whole"
                  : writer.error();
      }
    }
  }
  if (reason != nullptr) *reason = why;
  return result;
}

}  // namespace zav

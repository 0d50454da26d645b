// Conversion of a single-device SD-card record into one BDF+ file (bdf_writer.h): the
// same block stream as the CSV export, the electrode layout naming the EEG channels and
// the record's description in the header.
#pragma once

#include <string>

namespace zav {

// Returns 1 when the whole record was converted and the file written whole, 0 otherwise
// (null arguments, no file of the record, a file that could not be read or whose signals
// differ from the first file's, signals BDF cannot hold, a file that cannot be written,
// a build without BDF); reason, when given, then says why. A file already written stays.
int importSdRecordBdf(const char* folder, const char* recordName, const char* outputFile,
                      std::string* reason = nullptr);

}  // namespace zav

#include "record/record_catalog.h"

#include <algorithm>
#include <map>

#include "record/record_files.h"

namespace zav {

namespace {

struct NumberedFile {
  std::string number;
  std::string fileName;
};

// "12_rec.bin" -> number "12", record "rec"; false for a name of another form.
bool splitFileName(const std::string& fileName, std::string& number, std::string& record) {
  const std::size_t underscore = fileName.find('_');
  if (underscore == 0 || underscore == std::string::npos) return false;
  number = fileName.substr(0, underscore);
  if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  record = fileName.substr(underscore + 1);
  const std::size_t dot = record.rfind('.');
  if (dot != std::string::npos && dot > 0) record.erase(dot);
  return !record.empty();
}

// A header that a record's file has: a block rate, at least one signal and a block start
// after them. Other files that happen to be named alike (notes, exports) are no record.
bool isRecordFile(const RecordHeader& header) {
  return header.frequency > 0 && !header.signals.empty() && header.firstBlock != 0;
}

}  // namespace

std::vector<RecordSummary> listRecords(const std::filesystem::path& folder) {
  std::map<std::string, std::vector<NumberedFile>> byRecord;
  for (const std::string& fileName : listFolder(folder)) {
    std::string number;
    std::string record;
    if (splitFileName(fileName, number, record)) byRecord[record].push_back({number, fileName});
  }
  std::vector<RecordSummary> records;
  for (auto& [name, files] : byRecord) {
    std::sort(files.begin(), files.end(), [](const NumberedFile& a, const NumberedFile& b) {
      return importsBefore(a.number, a.fileName, b.number, b.fileName);
    });
    RecordSummary summary;
    summary.name = name;
    for (const NumberedFile& file : files) {
      const std::filesystem::path path = folder / file.fileName;
      const RecordHeader header = readRecordHeader(path);
      if (!isRecordFile(header)) continue;
      summary.files.push_back(path);
      summary.blockCount += header.blockCount;
      if (summary.files.size() == 1) summary.header = header;
    }
    if (!summary.files.empty()) records.push_back(std::move(summary));
  }
  return records;
}

}  // namespace zav

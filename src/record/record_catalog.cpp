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
      summary.files.push_back(folder / file.fileName);
      const RecordHeader header = readRecordHeader(summary.files.back());
      summary.blockCount += header.blockCount;
      if (summary.files.size() == 1) summary.header = header;
    }
    records.push_back(std::move(summary));
  }
  return records;
}

}  // namespace zav

#include "record/csv_file.h"

namespace zav {

CsvFile::~CsvFile() {
  close();
}

bool CsvFile::create(const std::string& path, std::size_t lineCapacity) {
  close();
  path_ = path;
  failed_ = false;
  // Text mode: lines end the platform's way (CR LF on Windows).
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    failed_ = true;
    return false;
  }
  // A buffer that holds a whole line makes each flush one write to the system.
  std::setvbuf(file_, nullptr, _IOFBF, lineCapacity + 64);
  return true;
}

bool CsvFile::writeLine(const char* text, std::size_t size) {
  if (file_ == nullptr || failed_) return false;
  if (std::fwrite(text, 1, size, file_) != size || std::fflush(file_) != 0) failed_ = true;
  return !failed_;
}

bool CsvFile::close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace zav

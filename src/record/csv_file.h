// One output text file written a whole line at a time: every line is handed to the
// system as soon as it is complete, so the file is whole up to its last line even when
// a conversion stops early. Failures are remembered, not thrown.
//
// One thread may write lines while another asks failed(); creating and closing belong
// to one thread while no other uses the file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <string>

namespace zav {

class CsvFile {
 public:
  CsvFile() = default;
  ~CsvFile();
  CsvFile(const CsvFile&) = delete;
  CsvFile& operator=(const CsvFile&) = delete;

  // Creates (or truncates) the file in text mode; false when it cannot be created.
  // lineCapacity is the longest line that will be written.
  bool create(const std::string& path, std::size_t lineCapacity);
  // Writes one complete line (its text ends with '\n') and flushes it; false when the
  // file is not open or the system refused the bytes. After a failure nothing more is
  // written to this file.
  bool writeLine(const char* text, std::size_t size);
  bool writeLine(const std::string& line) { return writeLine(line.data(), line.size()); }
  // Closes the file; false when the last bytes could not be written.
  bool close();

  bool isOpen() const { return file_ != nullptr; }
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::atomic<bool> failed_{false};
};

}  // namespace zav

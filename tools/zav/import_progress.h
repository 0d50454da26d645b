// Progress of a record conversion: a bar redrawn in place on a terminal (blocks done,
// speed, time left), nothing while it runs otherwise; a plain summary line at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zav::cli {

struct ImportStatus {
  uint64_t blocksDone = 0;  // blocks passed on so far, fillers included
  uint64_t blockCount = 0;  // blocks the record's files hold, as their headers count them
  uint64_t bytesDone = 0;   // estimated from the blocks done, at most bytesTotal
  uint64_t bytesTotal = 0;  // block bytes of the record's files
};

class ImportDisplay {
 public:
  explicit ImportDisplay(std::FILE* out);

  void show(const ImportStatus& status);
  // Ends the bar and writes the summary of the conversion to summaryOut.
  void finish(bool converted, const std::string& record, const std::string& output, std::FILE* summaryOut);

 private:
  double seconds() const;

  std::FILE* out_;
  bool terminal_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  double lastDraw_ = -1.0;
  ImportStatus last_;
};

// "1:02:03" or "2:03".
std::string clockText(double seconds);

}  // namespace zav::cli

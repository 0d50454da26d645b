// A full disk: the BDF writer closes the file with the header counting the records it really holds.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <vector>

#include "record/bdf_reading.h"
#include "record/bdf_writer.h"
#include "support/temp_folder.h"

namespace zav::test {
namespace {

// Runs in a child process: the file size limit stands in for a full disk.
[[noreturn]] void writeUntilTheDiskIsFull(const std::string& path) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{2'000'000, 2'000'000};
  setrlimit(RLIMIT_FSIZE, &limit);
  BdfWriter writer(path);
  if (!writer.open({{"EEG", 64, 3, 8, 1}}, 32)) std::exit(2);
  const std::vector<double> values(64 * 8, 1.0);
  for (int block = 0; block < 32 * 200 && writer.isOpen(); ++block)
    writer.write(values.data(), values.size(), 0);
  const bool refused =
      !writer.isOpen() && !writer.close() && writer.error().find("cannot write") != std::string::npos;
  std::exit(refused ? 0 : 1);
}

TEST(BdfWriterOnAFullDisk, ClosesTheFileWholeUpToTheLastRecordItHolds) {
  TempFolder folder;
  const std::string path = (folder / "full.bdf").string();
  EXPECT_EXIT(writeUntilTheDiskIsFull(path), testing::ExitedWithCode(0), "");
  // 2 MB hold the header and 40 one-second records of 64 channels; a file EDFlib cannot open holds 0.
  const long long records = readBdf(path).records;
  EXPECT_GE(records, 35);
  EXPECT_LE(records, 40);
}

}  // namespace
}  // namespace zav::test

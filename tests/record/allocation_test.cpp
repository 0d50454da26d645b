// Converting a record allocates per file, never per block; its own program, as it counts every allocation.
#include <gtest/gtest.h>

#include "record/sd_record_export.h"
#include "support/allocation_counter.h"
#include "support/record_writer.h"
#include "support/temp_folder.h"

namespace zav::test {
namespace {

uint64_t allocationsToConvert(std::size_t blocks) {
  const TempFolder input, output;
  // EEG with its impedance estimator, a second signal, a gap and a damaged block.
  const RecordWriter writer({{"EEG", 8, 3, 8, 1}, {"DIN", 2, 1, 8, 1}}, 32);
  std::vector<uint16_t> sequences = sequenceRun(0, blocks);
  sequences.erase(sequences.begin() + 100);
  const std::string bytes =
      writer.file(sequences, [](uint16_t sequence) { return std::vector<double>(80, sequence % 7); });
  writeFile(input / "0_rec.bin",
            withChangedByte(bytes, writer.header().size() + 200 * writer.blockBytes() + 20));

  const uint64_t before = allocations();
  EXPECT_EQ(importSdRecord(input.string().c_str(), "rec", output.string().c_str()), 1);
  return allocations() - before;
}

TEST(RecordAllocation, ConvertingAllocatesNothingPerBlock) {
  const uint64_t shortRecord = allocationsToConvert(1000);
  const uint64_t longRecord = allocationsToConvert(3000);
  EXPECT_EQ(longRecord, shortRecord);
  EXPECT_GT(shortRecord, 0u);  // the counting works
}

}  // namespace
}  // namespace zav::test

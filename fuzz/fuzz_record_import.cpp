// The SD-card record folder: the input is split at each "\n--\n" into up to four files
// ("0_rec.bin", "1_rec.bin", ...) written to a private temporary folder, which is then
// imported once and converted to CSV. Every block handed on holds the values of the
// record's signal list.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/diagnostics.h"
#include "fuzzed_connection.h"
#include "record/csv_writer.h"
#include "record/importer.h"
#include "record/sd_record_export.h"
#include "signal/block_layout.h"
#include "signal/impedance_estimator.h"

namespace fs = std::filesystem;

namespace {

void quiet(const char*, void*) {}

// The CSV files, with every block checked against the signal list on its way in. Only the
// first blocks are written: a damaged sequence number makes tens of thousands of filler
// blocks, and writing them all would make the files, not the reading, what is fuzzed.
class CheckedCsv : public zav::RecordSink {
 public:
  explicit CheckedCsv(const std::string& folder) : csv_(folder.c_str(), "", zav::kDrySensor) {}
  bool open(const zav::SignalList& signals, uint16_t frequency) override {
    values_ = zav::BlockLayout(signals).valueCount();
    return csv_.open(signals, frequency);
  }
  void write(const zav::BaseImporter::Block& block) override {
    if (block.data.size() != values_) zav::fuzz::broken("an imported block does not match its signal list");
    if (written_++ < kWrittenBlocks) csv_.write(block);
  }
  bool close() override { return csv_.close(); }

 private:
  static constexpr std::size_t kWrittenBlocks = 32;
  zav::CsvWriter csv_;
  std::size_t values_ = 0;
  std::size_t written_ = 0;
};

const fs::path& workFolder() {
  static const fs::path folder = fs::temp_directory_path() / ("zav-fuzz-record-" + std::to_string(getpid()));
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  zav::diag::setSink(quiet, nullptr);
  const fs::path input = workFolder() / "in";
  const fs::path output = workFolder() / "out";
  std::error_code ignored;
  fs::remove_all(workFolder(), ignored);
  fs::create_directories(input);
  fs::create_directories(output);

  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::size_t from = 0;
  for (int file = 0; file < 4 && from <= bytes.size(); ++file) {
    const std::size_t cut = file == 3 ? std::string::npos : bytes.find("\n--\n", from);
    const std::size_t end = cut == std::string::npos ? bytes.size() : cut;
    std::ofstream(input / (std::to_string(file) + "_rec.bin"), std::ios::binary)
        .write(bytes.data() + from, static_cast<std::streamsize>(end - from));
    if (cut == std::string::npos) break;
    from = cut + 4;
  }

  const zav::Importer importer(input.string(), "rec");
  if (importer.files().empty()) return 0;
  CheckedCsv sink(output.string());
  zav::exportRecord(importer, sink);
  return 0;
}

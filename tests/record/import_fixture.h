// Import tests: a record of two integer channels whose values tell their block, and what an import gives.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "record/importer.h"
#include "support/record_writer.h"
#include "support/temp_folder.h"

namespace zav::test {

// Two channels of 3-byte integers, one sample a block: 15 bytes a block.
inline RecordWriter integerRecord() {
  return RecordWriter({{"BVP", 2, 3, 1, 1}}, 32);
}

inline std::vector<double> valuesOf(uint16_t sequence) {
  return {static_cast<double>(sequence), -1.0 - sequence};
}

inline void writeRecordFile(const TempFolder& folder, const std::string& name,
                            const std::vector<uint16_t>& sequences) {
  writeFile(folder / name, integerRecord().file(sequences, valuesOf));
}

// A file read in text mode, so that CSV line ends read as "\n" on every platform.
inline std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Imported {
  std::vector<BaseImporter::Block> blocks;
  std::string output;
  bool result = false;

  std::vector<uint16_t> invalidSequences() const { return sequences(true); }
  std::vector<uint16_t> sequences(bool invalidOnly = false) const {
    std::vector<uint16_t> list;
    for (const auto& block : blocks)
      if (block.invalid || !invalidOnly) list.push_back(block.sequence);
    return list;
  }
};

inline Imported importRecord(const std::string& folder, const std::string& name) {
  Imported imported;
  Importer importer(folder, name);
  importer.addCallback([&](const BaseImporter::Block& block) {
    imported.blocks.push_back(block);
    return true;
  });
  testing::internal::CaptureStdout();
  imported.result = importer.importAll();
  imported.output = testing::internal::GetCapturedStdout();
  return imported;
}

}  // namespace zav::test

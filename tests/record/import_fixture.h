// Shared pieces of the import tests: a record of two plain-integer channels whose values
// tell the block they came from, and a collector of what an importer passes on.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
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

struct Passed {
  uint16_t sequence = 0;
  bool invalid = false;
  uint16_t battery = 0;
  uint16_t flags = 0;
  std::vector<double> data;
};

inline bool allNaN(const std::vector<double>& values) {
  for (double value : values) {
    if (!std::isnan(value)) return false;
  }
  return true;
}

// What importAll passes on, with the diagnostic lines written meanwhile.
struct Imported {
  std::vector<Passed> blocks;
  std::string output;
  bool result = false;

  std::vector<uint16_t> sequences() const {
    std::vector<uint16_t> list;
    for (const Passed& block : blocks) list.push_back(block.sequence);
    return list;
  }
  std::vector<uint16_t> invalidSequences() const {
    std::vector<uint16_t> list;
    for (const Passed& block : blocks) {
      if (block.invalid) list.push_back(block.sequence);
    }
    return list;
  }
};

inline Imported importRecord(const std::string& folder, const std::string& name) {
  Imported imported;
  Importer importer(folder, name);
  importer.addCallback([&](const BaseImporter::Block& block) {
    imported.blocks.push_back({block.sequence, block.invalid, block.battery, block.flags, block.data});
    return true;
  });
  testing::internal::CaptureStdout();
  imported.result = importer.importAll();
  imported.output = testing::internal::GetCapturedStdout();
  return imported;
}

inline void writeRecordFile(const TempFolder& folder, const std::string& name,
                            const std::vector<uint16_t>& sequences) {
  writeFile(folder / name, integerRecord().file(sequences, valuesOf));
}

}  // namespace zav::test

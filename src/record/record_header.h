// The text header that starts every file of an SD-card record: description, block rate,
// signal list and an optional electrode layout, each ended by a NUL byte; the data
// blocks follow.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "record/electrode_layout.h"
#include "signal/signal_info.h"

namespace zav {

class FileCursor;

struct RecordHeader {
  std::string description;
  uint16_t frequency = 0;  // blocks per second
  SignalList signals;      // the SD-card entry removed
  uint64_t blockCount = 0;
  uint16_t firstSequence = 0;
  ElectrodeLayout layout;
};

// Bytes of one block of a signal list: header words, payload and checksum.
uint64_t recordBlockBytes(const SignalList& signals);

// Limits far above any real device; a header beyond them is taken as damaged rather
// than allowed to claim unbounded memory.
constexpr uint64_t kMaxRecordBlockBytes = 1 << 16;
constexpr uint64_t kMaxRecordBlockValues = 1 << 14;

// Reads the header fields at the cursor (an open file at its first byte) and leaves the
// cursor at the data start. Fields longer than any real header are cut, not kept whole.
void readHeaderFields(FileCursor& cursor, RecordHeader& header);

// The whole header of a file, with its block count and first sequence number; a file
// that cannot be opened gives an empty header.
RecordHeader readRecordHeader(const std::filesystem::path& path);

}  // namespace zav

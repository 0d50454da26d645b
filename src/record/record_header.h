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
  uint64_t blockCount = 0;   // the whole blocks the import reads
  uint64_t firstBlock = 0;   // where the first 0xAA 0x55 pair lies; 0 when there is none
  uint16_t firstSequence = 0;
  ElectrodeLayout layout;
  uint64_t dataStart = 0;  // where the blocks begin: just after the header's last field
};

// Bytes of one block of a signal list: header words, payload and checksum.
uint64_t recordBlockBytes(const SignalList& signals);

// Limits far above any real device; a header beyond them is taken as damaged rather
// than allowed to claim unbounded memory.
constexpr uint64_t kMaxRecordBlockBytes = 1 << 16;
constexpr uint64_t kMaxRecordBlockValues = 1 << 14;

// Reads the header fields at the cursor (an open file at its first byte), sets dataStart
// and leaves the cursor there. Fields longer than any real header are cut, not kept whole.
void readHeaderFields(FileCursor& cursor, RecordHeader& header);

// The whole header of a file, with its block count and first sequence number; a file
// that cannot be opened gives an empty header. Counting reads only a few bytes of the
// blocks, so that a whole card is listed quickly.
RecordHeader readRecordHeader(const std::filesystem::path& path);

}  // namespace zav

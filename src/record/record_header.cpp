#include "record/record_header.h"

#include <algorithm>
#include <system_error>

#include "common/block_format.h"
#include "common/byte_order.h"
#include "record/file_cursor.h"

namespace zav {

namespace {

// Longest header field that is kept; a real one is a few hundred bytes.
constexpr std::size_t kFieldLimit = 1 << 16;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Leading blanks skipped, digits up to the first non-digit; no number, or one beyond
// 16 bits, reads as 0.
uint16_t readFrequency(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    if (value > 0xFFFF) return 0;
  }
  return static_cast<uint16_t>(value);
}

// The first block found from the cursor on, sliding to the next 0xAA after a misaligned
// start; the check of the block itself is left to the import.
bool readFileBlock(FileCursor& cursor, std::size_t blockBytes) {
  for (;;) {
    if (!cursor.ensure(blockBytes)) return false;
    const uint8_t* bytes = cursor.data();
    if (bytes[0] == block::kSync0 && bytes[1] == block::kSync1) return true;
    const uint8_t* next = std::find(bytes + 1, bytes + blockBytes, block::kSync0);
    cursor.consume(static_cast<std::size_t>(next - bytes));
  }
}

}  // namespace

uint64_t recordBlockBytes(const SignalList& signals) {
  return block::kOverheadBytes + bytesPerBlock(signals);
}

void readHeaderFields(FileCursor& cursor, RecordHeader& header) {
  header.description = cursor.readUntilNul(kFieldLimit);
  header.frequency = readFrequency(cursor.readUntilNul(kFieldLimit));
  header.signals = parseSignalList(cursor.readUntilNul(kFieldLimit));
  const auto sdCard = std::find_if(header.signals.begin(), header.signals.end(), isSdCard);
  if (sdCard != header.signals.end()) header.signals.erase(sdCard);

  const uint64_t afterSignals = cursor.position();
  if (cursor.ensure(3) && std::equal(cursor.data(), cursor.data() + 3, "Cal")) {
    cursor.consume(3);
    header.layout = parseLayoutField(cursor.readUntilNul(kFieldLimit));
  }
  if (!header.layout.present) cursor.seek(afterSignals);
}

RecordHeader readRecordHeader(const std::filesystem::path& path) {
  RecordHeader header;
  FileCursor cursor(1 << 16);
  if (!cursor.open(path)) return header;
  readHeaderFields(cursor, header);
  const uint64_t dataStart = cursor.position();
  std::error_code error;
  const uint64_t fileSize = std::filesystem::file_size(path, error);
  // Counted at the even-rounded block size, as a card that pads odd blocks stores them.
  const uint64_t blockBytes = (recordBlockBytes(header.signals) + 1) / 2 * 2;
  if (!error && fileSize > dataStart) header.blockCount = (fileSize - dataStart) / blockBytes;
  if (blockBytes <= kMaxRecordBlockBytes + 1) {
    cursor.reserve(static_cast<std::size_t>(blockBytes));
    if (readFileBlock(cursor, static_cast<std::size_t>(blockBytes))) {
      header.firstSequence = readU16BE(cursor.data() + block::kSequenceOffset);
    }
  }
  return header;
}

}  // namespace zav

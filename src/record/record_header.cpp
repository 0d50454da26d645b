#include "record/record_header.h"

#include <algorithm>

#include "common/block_format.h"
#include "common/text_fields.h"
#include "record/block_scanner.h"
#include "record/file_cursor.h"
#include "signal/block_layout.h"

namespace zav {

namespace {

// Longest header field that is kept; a real one is a few hundred bytes.
constexpr std::size_t kFieldLimit = 1 << 16;

// The first block found from the cursor on, sliding to the next 0xAA after a misaligned
// start; the check of the block itself is left to the import.
bool readFileBlock(FileCursor& cursor, std::size_t blockBytes) {
  for (;;) {
    if (!cursor.ensure(blockBytes)) return false;
    const uint8_t* bytes = cursor.data();
    if (block::startsBlock(bytes)) return true;
    cursor.consume(block::nextSync(bytes, 1, blockBytes));
  }
}

// Whether block starts line up at this stride: a 0xAA 0x55 pair where the middle and the
// last whole block would start. A two-byte window keeps the probes small reads.
int linedUpProbes(FileCursor& probe, uint64_t firstBlock, uint64_t span, uint64_t stride) {
  const uint64_t blocks = span / stride;
  int found = 0;
  for (const uint64_t index : {blocks / 2, blocks - 1}) {
    if (blocks > 1 && probe.seek(firstBlock + index * stride) && probe.ensure(2)) {
      found += block::startsBlock(probe.data()) ? 1 : 0;
    }
  }
  return found;
}

// The whole blocks the import reads from firstBlock on. Blocks of odd size lie
// back to back, or each with a padding byte when the card pads them; the stride under
// which block starts line up tells which (back to back when neither does better).
uint64_t countBlocks(const std::filesystem::path& path, uint64_t firstBlock, uint64_t fileSize, uint64_t blockBytes) {
  if (fileSize <= firstBlock) return 0;
  const uint64_t span = fileSize - firstBlock;
  if (blockBytes % 2 == 0) return span / blockBytes;
  FileCursor probe(2);
  if (!probe.open(path)) return span / blockBytes;
  const bool padded =
      linedUpProbes(probe, firstBlock, span, blockBytes + 1) > linedUpProbes(probe, firstBlock, span, blockBytes);
  return span / (padded ? blockBytes + 1 : blockBytes);
}

}  // namespace

uint64_t recordBlockBytes(const SignalList& signals) {
  return BlockLayout(signals).blockBytes();
}

void readHeaderFields(FileCursor& cursor, RecordHeader& header) {
  header.description = cursor.readUntilNul(kFieldLimit);
  // No number, or one beyond 16 bits, reads as 0.
  header.frequency = text::readUnsigned16(cursor.readUntilNul(kFieldLimit)).value_or(0);
  header.signals = parseSignalList(cursor.readUntilNul(kFieldLimit));
  const auto sdCard = std::find_if(header.signals.begin(), header.signals.end(), isSdCard);
  if (sdCard != header.signals.end()) header.signals.erase(sdCard);

  const uint64_t afterSignals = cursor.position();
  if (cursor.ensure(3) && std::equal(cursor.data(), cursor.data() + 3, "Cal")) {
    cursor.consume(3);
    header.layout = parseLayoutField(cursor.readUntilNul(kFieldLimit));
  }
  if (!header.layout.present) cursor.seek(afterSignals);
  header.dataStart = cursor.position();
}

RecordHeader readRecordHeader(const std::filesystem::path& path) {
  RecordHeader header;
  FileCursor cursor(1 << 16);
  if (!cursor.open(path)) return header;
  readHeaderFields(cursor, header);
  // Without signals there are no blocks to count, and a long file of another kind is
  // not searched through.
  const uint64_t blockBytes = recordBlockBytes(header.signals);
  if (header.signals.empty() || blockBytes > kMaxRecordBlockBytes) return header;
  // The first block is found as the import finds it: at the first 0xAA 0x55 pair.
  if (!BlockScanner(cursor, static_cast<std::size_t>(blockBytes)).skipHeader()) return header;
  header.firstBlock = cursor.position();
  header.blockCount = countBlocks(path, header.firstBlock, cursor.size(), blockBytes);
  // The first sequence is read at the even-rounded size, as a card that pads odd blocks stores them.
  const uint64_t paddedBytes = (blockBytes + 1) / 2 * 2;
  cursor.reserve(static_cast<std::size_t>(paddedBytes));
  if (readFileBlock(cursor, static_cast<std::size_t>(paddedBytes))) {
    header.firstSequence = block::readHeader(cursor.data()).sequence;
  }
  return header;
}

}  // namespace zav

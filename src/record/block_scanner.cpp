#include "record/block_scanner.h"

#include "common/block_format.h"
#include "record/file_cursor.h"

namespace zav {

BlockScanner::BlockScanner(FileCursor& cursor, std::size_t blockBytes)
    : cursor_(cursor), blockBytes_(blockBytes) {
  // Room to look for an intact block inside a damaged one.
  cursor_.reserve(2 * blockBytes_ + 2);
}

bool BlockScanner::intact(const uint8_t* bytes) const {
  return block::isValid(bytes, blockBytes_);
}

bool BlockScanner::skipHeader() {
  for (;;) {
    if (!cursor_.ensure(2)) return false;
    const std::size_t available = cursor_.available();
    const std::size_t start = block::findStart(cursor_.data(), available);
    cursor_.consume(start);
    if (start + 1 < available) break;
  }
  onTrack_ = true;
  return true;
}

bool BlockScanner::followedByBlock() {
  if (!cursor_.ensure(blockBytes_ + 2)) return true;  // the file ends here
  return block::startsBlock(cursor_.data() + blockBytes_);
}

std::size_t BlockScanner::intactBlockInside() {
  cursor_.ensure(2 * blockBytes_ - 1);  // near the end of the file fewer bytes are there
  const uint8_t* bytes = cursor_.data();
  const std::size_t available = cursor_.available();
  for (std::size_t offset = 1; offset < blockBytes_ && offset + blockBytes_ <= available; ++offset) {
    if (intact(bytes + offset)) return offset;
  }
  return 0;
}

bool BlockScanner::next(ScannedBlock& block) {
  for (;;) {
    if (!cursor_.ensure(blockBytes_)) return false;
    if (intact(cursor_.data())) {
      // One byte in 256 of a lost-byte fragment passes the checksum by chance; a block
      // that another does not follow, while an intact one starts inside it, is such a
      // fragment.
      if (!followedByBlock()) {
        const std::size_t inside = intactBlockInside();
        if (inside != 0) {
          cursor_.consume(inside);
          continue;
        }
      }
      block = {cursor_.data(), true};
      cursor_.consume(blockBytes_);
      onTrack_ = true;
      return true;
    }
    const uint8_t* bytes = cursor_.data();
    if (onTrack_ && block::startsBlock(bytes)) {
      // Damaged where a block belongs. If an intact block starts inside it, bytes were
      // lost and this one is only a fragment; otherwise it is the damaged block itself.
      const std::size_t inside = intactBlockInside();
      if (inside == 0) {
        block = {cursor_.data(), false};
        cursor_.consume(blockBytes_);
        return true;
      }
      cursor_.consume(inside);
      continue;
    }
    // Off track: slide one byte at a time to the next intact block.
    onTrack_ = false;
    cursor_.consume(1);
  }
}

}  // namespace zav

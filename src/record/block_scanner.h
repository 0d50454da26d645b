// Finds the data blocks of a record file, tolerating damage: an intact block (0xAA 0x55
// start and a matching checksum) always comes through, a damaged block costs only
// itself, and bytes inside a payload are never taken for a block start unless the
// block they would start is intact.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zav {

class FileCursor;

struct ScannedBlock {
  const uint8_t* bytes = nullptr;  // blockBytes bytes, valid until the next call
  bool intact = false;             // false: the start and header words are readable, the checksum fails
};

class BlockScanner {
 public:
  BlockScanner(FileCursor& cursor, std::size_t blockBytes);

  // Moves to the first 0xAA 0x55 pair of the file; false when there is none.
  bool skipHeader();
  // The next block; false at the end of the file (a partial block there is dropped).
  bool next(ScannedBlock& block);

 private:
  bool intact(const uint8_t* bytes) const;
  // The offset (1 .. blockBytes - 1) of the first intact block inside the block-sized
  // span at the cursor, or 0 when none starts there.
  std::size_t intactBlockInside();
  // Whether a block start follows the block at the cursor (or the file ends there).
  bool followedByBlock();

  FileCursor& cursor_;
  std::size_t blockBytes_;
  bool onTrack_ = true;  // the cursor is where a block should start
};

}  // namespace zav

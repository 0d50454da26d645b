// The blocks of a record that wait to be passed on in sequence order: at most
// kCapacity of them, kept sorted by position. Blocks come from a pool that is sized
// once per file, so reading a record allocates nothing per block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "record/base_importer.h"

namespace zav {

class ReorderWindow {
 public:
  static constexpr std::size_t kCapacity = 320;
  using Block = BaseImporter::Block;

  ReorderWindow();

  // Empties the window and gives every pooled block valuesPerBlock values.
  void reset(std::size_t valuesPerBlock);
  // A free block to read into; hand it back with insert() or release().
  Block* acquire();
  void release(Block* block);
  // Files the block at its position and returns null; when a block of the same position
  // is already waiting, returns that one and does not take the new block.
  Block* insert(Block* block, int64_t position);
  // Puts block in the place of the one waiting at position and returns that one.
  Block* replace(Block* block, int64_t position);

  bool empty() const { return count_ == 0; }
  bool full() const { return count_ >= kCapacity; }
  std::size_t size() const { return count_; }
  int64_t lowestPosition() const { return entryAt(0).position; }
  // Removes the lowest block; it stays the caller's until released.
  Block* takeLowest();

 private:
  struct Entry {
    int64_t position = 0;
    Block* block = nullptr;
  };
  // Ring of sorted entries: blocks mostly arrive in order and leave from the front.
  static constexpr std::size_t kRingSize = 512;

  const Entry& entryAt(std::size_t index) const { return ring_[(head_ + index) % kRingSize]; }
  Entry& entryAt(std::size_t index) { return ring_[(head_ + index) % kRingSize]; }
  // Index of the first entry not below position.
  std::size_t lowerBound(int64_t position) const;

  std::vector<Block> pool_;
  std::vector<Block*> free_;
  std::vector<Entry> ring_;
  std::size_t head_ = 0;
  std::size_t count_ = 0;
};

}  // namespace zav

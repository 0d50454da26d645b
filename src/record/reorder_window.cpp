#include "record/reorder_window.h"

#include <cmath>
#include <limits>

namespace zav {

namespace {

// The window, the block being read and the one just passed on.
constexpr std::size_t kPoolSize = ReorderWindow::kCapacity + 2;

}  // namespace

ReorderWindow::ReorderWindow() : pool_(kPoolSize), ring_(kRingSize) {
  static_assert(kRingSize > kCapacity, "the ring holds a full window and one more");
  free_.reserve(kPoolSize);
  reset(0);
}

void ReorderWindow::reset(std::size_t valuesPerBlock) {
  free_.clear();
  for (Block& block : pool_) {
    block.data.assign(valuesPerBlock, std::numeric_limits<double>::quiet_NaN());
    free_.push_back(&block);
  }
  head_ = 0;
  count_ = 0;
}

ReorderWindow::Block* ReorderWindow::acquire() {
  if (free_.empty()) return nullptr;
  Block* block = free_.back();
  free_.pop_back();
  return block;
}

void ReorderWindow::release(Block* block) {
  if (block != nullptr) free_.push_back(block);
}

std::size_t ReorderWindow::lowerBound(int64_t position) const {
  // Blocks mostly arrive in order: check the end first.
  if (count_ == 0 || entryAt(count_ - 1).position < position) return count_;
  std::size_t low = 0;
  std::size_t high = count_;
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (entryAt(middle).position < position) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

ReorderWindow::Block* ReorderWindow::insert(Block* block, int64_t position) {
  const std::size_t index = lowerBound(position);
  if (index < count_ && entryAt(index).position == position) return entryAt(index).block;
  for (std::size_t i = count_; i > index; --i) entryAt(i) = entryAt(i - 1);
  entryAt(index) = Entry{position, block};
  ++count_;
  return nullptr;
}

ReorderWindow::Block* ReorderWindow::replace(Block* block, int64_t position) {
  const std::size_t index = lowerBound(position);
  if (index >= count_ || entryAt(index).position != position) return block;
  Block* waiting = entryAt(index).block;
  entryAt(index).block = block;
  return waiting;
}

ReorderWindow::Block* ReorderWindow::takeLowest() {
  if (count_ == 0) return nullptr;
  Block* block = entryAt(0).block;
  head_ = (head_ + 1) % kRingSize;
  --count_;
  return block;
}

}  // namespace zav

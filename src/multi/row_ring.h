// A first-in first-out queue of fixed-width rows in one ring of storage. It grows by
// doubling when full and never shrinks, so a stream that settles at some depth stops
// allocating once the ring has reached that depth.
//
//     RowRing<double> eeg(32);
//     double* row = eeg.pushRow();     // 32 slots, filled by the caller
//     eeg.popFront(8);
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace zav {

template <typename T>
class RowRing {
 public:
  explicit RowRing(std::size_t width) : width_(width) {}

  std::size_t width() const { return width_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::size_t capacity() const { return capacity_; }

  // The slots of a new last row; their content is whatever the ring held there.
  T* pushRow() {
    if (size_ == capacity_) grow();
    T* slot = rowStorage((head_ + size_) & (capacity_ - 1));
    ++size_;
    return slot;
  }

  // Row index 0 is the oldest; index must be below size().
  const T* row(std::size_t index) const { return rowStorage((head_ + index) & (capacity_ - 1)); }

  // Removes up to count rows from the front.
  void popFront(std::size_t count) {
    count = std::min(count, size_);
    size_ -= count;
    head_ = size_ == 0 ? 0 : (head_ + count) & (capacity_ - 1);
  }

  void clear() {
    size_ = 0;
    head_ = 0;
  }

 private:
  static constexpr std::size_t kInitialRows = 64;

  T* rowStorage(std::size_t slot) { return storage_.data() + slot * width_; }
  const T* rowStorage(std::size_t slot) const { return storage_.data() + slot * width_; }

  // Doubles the capacity (kept a power of two, so that indices wrap with a mask) and
  // moves the rows to the front in order.
  void grow() {
    const std::size_t capacity = capacity_ == 0 ? kInitialRows : capacity_ * 2;
    std::vector<T> storage(capacity * width_);
    for (std::size_t i = 0; i < size_; ++i) std::copy_n(row(i), width_, storage.data() + i * width_);
    storage_.swap(storage);
    capacity_ = capacity;
    head_ = 0;
  }

  std::size_t width_;
  std::vector<T> storage_;
  std::size_t capacity_ = 0;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

}  // namespace zav

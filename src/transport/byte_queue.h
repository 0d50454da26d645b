// Bytes appended at the back and taken from the front, keeping its storage so that a
// steady stream of blocks stops allocating once the largest block has been seen.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zav {

class ByteQueue {
 public:
  bool empty() const { return head_ == bytes_.size(); }
  std::size_t size() const { return bytes_.size() - head_; }

  void append(const uint8_t* data, std::size_t count) { bytes_.insert(bytes_.end(), data, data + count); }
  void append(const std::string& text) { append(reinterpret_cast<const uint8_t*>(text.data()), text.size()); }
  void push(uint8_t byte) { bytes_.push_back(byte); }

  // Makes room for count bytes at the back and returns where they start.
  uint8_t* extend(std::size_t count) {
    const std::size_t start = bytes_.size();
    bytes_.resize(start + count);
    return bytes_.data() + start;
  }

  // Moves up to count bytes from the front into out; returns how many.
  std::size_t take(uint8_t* out, std::size_t count) {
    const std::size_t taken = std::min(count, size());
    if (taken > 0) std::memcpy(out, bytes_.data() + head_, taken);
    head_ += taken;
    if (head_ == bytes_.size()) {
      bytes_.clear();
      head_ = 0;
    } else if (head_ > kCompactAfter && head_ > bytes_.size() / 2) {
      // A reader that never quite catches up must not make the queue grow for ever.
      bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
    return taken;
  }

 private:
  static constexpr std::size_t kCompactAfter = 4096;

  std::vector<uint8_t> bytes_;
  std::size_t head_ = 0;
};

}  // namespace zav

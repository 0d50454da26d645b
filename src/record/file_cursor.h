// Forward reading of a binary file through a fixed window of bytes, so that a record of
// any length is read with a bounded amount of memory and without a copy per block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zav {

class FileCursor {
 public:
  // capacity: the most bytes that ensure() can be asked for.
  explicit FileCursor(std::size_t capacity = 1 << 18);

  bool open(const std::filesystem::path& path);
  void close();
  bool isOpen() const { return file_.is_open(); }

  // Makes at least count bytes available at the cursor; false when the file ends first
  // (or count exceeds the capacity). What is there stays available.
  bool ensure(std::size_t count);
  const uint8_t* data() const { return buffer_.data() + begin_; }
  std::size_t available() const { return end_ - begin_; }
  void consume(std::size_t count);
  // File offset of data().
  uint64_t position() const { return position_; }
  bool seek(uint64_t offset);
  // The file's size in bytes (0 when it cannot be told).
  uint64_t size();

  // Reads up to and including the next NUL and returns the bytes before it (all the
  // rest when there is none). Bytes beyond limit are skipped, not kept.
  std::string readUntilNul(std::size_t limit);

  // Lets ensure() be asked for at least capacity bytes.
  void reserve(std::size_t capacity);

 private:
  void grow(std::size_t size);

  std::ifstream file_;
  std::size_t capacity_;
  std::vector<uint8_t> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  uint64_t position_ = 0;
  bool endOfFile_ = false;
};

}  // namespace zav

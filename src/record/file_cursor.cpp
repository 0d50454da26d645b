#include "record/file_cursor.h"

#include <algorithm>
#include <cstring>

namespace zav {

FileCursor::FileCursor(std::size_t capacity) : capacity_(capacity) {}

bool FileCursor::open(const std::filesystem::path& path) {
  close();
  file_.open(path, std::ios::in | std::ios::binary);
  if (!file_.is_open()) return false;
  // A window no larger than the file: the short files of a record do not each cost
  // the whole window.
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(path, error);
  grow(error ? capacity_ : static_cast<std::size_t>(std::min<std::uintmax_t>(bytes, capacity_)));
  return true;
}

void FileCursor::grow(std::size_t size) {
  if (size > buffer_.size()) buffer_.resize(size);
}

void FileCursor::close() {
  if (file_.is_open()) file_.close();
  file_.clear();
  begin_ = end_ = 0;
  position_ = 0;
  endOfFile_ = false;
}

void FileCursor::reserve(std::size_t capacity) {
  capacity_ = std::max(capacity_, capacity);
}

bool FileCursor::ensure(std::size_t count) {
  if (available() >= count) return true;
  if (count > capacity_ || endOfFile_ || !file_.is_open()) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), data(), available());
    end_ -= begin_;
    begin_ = 0;
  }
  grow(count);
  while (end_ < count && !endOfFile_) {
    file_.read(reinterpret_cast<char*>(buffer_.data() + end_),
               static_cast<std::streamsize>(buffer_.size() - end_));
    const std::streamsize got = file_.gcount();
    if (got <= 0) endOfFile_ = true;
    end_ += static_cast<std::size_t>(std::max<std::streamsize>(got, 0));
    if (!file_) endOfFile_ = true;
  }
  return available() >= count;
}

void FileCursor::consume(std::size_t count) {
  count = std::min(count, available());
  begin_ += count;
  position_ += count;
}

bool FileCursor::seek(uint64_t offset) {
  if (!file_.is_open()) return false;
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
  begin_ = end_ = 0;
  endOfFile_ = false;
  position_ = offset;
  return static_cast<bool>(file_);
}

uint64_t FileCursor::size() {
  if (!file_.is_open()) return 0;
  file_.clear();
  const std::streampos here = file_.tellg();
  file_.seekg(0, std::ios::end);
  const std::streampos end = file_.tellg();
  file_.seekg(here);
  return end < 0 ? 0 : static_cast<uint64_t>(end);
}

std::string FileCursor::readUntilNul(std::size_t limit) {
  std::string text;
  for (;;) {
    if (available() == 0 && !ensure(1)) return text;
    const uint8_t* start = data();
    const void* nul = std::memchr(start, 0, available());
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const uint8_t*>(nul) - start) : available();
    if (text.size() < limit)
      text.append(reinterpret_cast<const char*>(start), std::min(length, limit - text.size()));
    consume(length);
    if (nul != nullptr) {
      consume(1);
      return text;
    }
  }
}

}  // namespace zav

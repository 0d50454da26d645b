#include "support/scripted_connection.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace zav::test {

void ScriptedConnection::feed(const std::string& bytes) {
  if (!bytes.empty()) input_.push_back({bytes, 0});
}

// used_ is 0 whenever the front is no partly read data.
std::size_t ScriptedConnection::pendingBytes() const {
  return std::accumulate(input_.begin(), input_.end(), std::size_t{0},
                         [](std::size_t sum, const Input& item) { return sum + item.first.size(); }) -
         used_;
}

uint32_t ScriptedConnection::doRead(uint8_t* buffer, uint32_t count) {
  ++readCalls_;
  const uint32_t wanted = chunkSize_ != 0 ? std::min(count, chunkSize_) : count;
  if (!input_.empty() && input_.front().second != 0) {
    const uint32_t code = input_.front().second;
    input_.pop_front();
    return code;
  }
  uint32_t n = 0;
  if (!input_.empty()) {
    const std::string& bytes = input_.front().first;
    n = static_cast<uint32_t>(std::min<std::size_t>(wanted, bytes.size() - used_));
    std::memcpy(buffer, bytes.data() + used_, n);
    used_ += n;
    if (used_ == bytes.size()) {
      input_.pop_front();
      used_ = 0;
    }
  } else if (!pattern_.empty() && wanted != 0) {
    for (n = 0; n < wanted; ++n, patternUsed_ = (patternUsed_ + 1) % pattern_.size())
      buffer[n] = static_cast<uint8_t>(pattern_[patternUsed_]);
  } else {
    return kTimedOut;
  }
  bytesRead_ += n;
  return n;
}

uint32_t ScriptedConnection::doWrite(const uint8_t* buffer, uint32_t count) {
  if (!writeResults_.empty()) {
    const uint32_t result = writeResults_.front();
    writeResults_.pop_front();
    return result;
  }
  writes_.emplace_back(reinterpret_cast<const char*>(buffer), count);
  const auto answer = answers_.find(writes_.back());
  if (answer != answers_.end()) feed(answer->second);
  return count;
}

}  // namespace zav::test

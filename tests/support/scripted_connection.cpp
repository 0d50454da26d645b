#include "support/scripted_connection.h"

#include <algorithm>
#include <cstring>

namespace zav::test {

void ScriptedConnection::feed(const std::string& bytes) {
  if (!bytes.empty()) input_.push_back(Input{bytes, 0, 0});
}

std::size_t ScriptedConnection::pendingBytes() const {
  std::size_t total = 0;
  for (const Input& item : input_) total += item.bytes.size() - item.used;
  return total;
}

std::string ScriptedConnection::written() const {
  std::string all;
  for (const std::string& write : writes_) all += write;
  return all;
}

uint32_t ScriptedConnection::doRead(uint8_t* buffer, uint32_t count) {
  ++readCalls_;
  const uint32_t wanted = chunkSize_ != 0 ? std::min(count, chunkSize_) : count;
  if (!input_.empty()) {
    Input& item = input_.front();
    if (item.code != 0) {
      const uint32_t code = item.code;
      input_.pop_front();
      return code;
    }
    const auto n = static_cast<uint32_t>(std::min<std::size_t>(wanted, item.bytes.size() - item.used));
    std::memcpy(buffer, item.bytes.data() + item.used, n);
    item.used += n;
    if (item.used == item.bytes.size()) input_.pop_front();
    bytesRead_ += n;
    return n;
  }
  if (pattern_.empty() || wanted == 0) return kTimedOut;
  for (uint32_t i = 0; i < wanted; ++i) {
    buffer[i] = static_cast<uint8_t>(pattern_[patternUsed_]);
    patternUsed_ = (patternUsed_ + 1) % pattern_.size();
  }
  bytesRead_ += wanted;
  return wanted;
}

uint32_t ScriptedConnection::doWrite(const uint8_t* buffer, uint32_t count) {
  if (!writeResults_.empty()) {
    const uint32_t result = writeResults_.front();
    writeResults_.pop_front();
    return result;
  }
  const std::string bytes(reinterpret_cast<const char*>(buffer), count);
  writes_.push_back(bytes);
  const auto answer = answers_.find(bytes);
  if (answer != answers_.end()) feed(answer->second);
  return count;
}

}  // namespace zav::test

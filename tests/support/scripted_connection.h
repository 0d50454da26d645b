// An in-memory Connection for protocol tests: scripted input in chunks, every write recorded,
// commands answered, time-outs, failures and a lost link at scripted points. Once the input
// runs out, reads time out (unless repeatForever gave a pattern).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "transport/connection.h"

namespace zav::test {

class ScriptedConnection : public Connection {
 public:
  void feed(const std::string& bytes);
  void feedTimeOut() { input_.push_back({{}, kTimedOut}); }
  void feedFailure() { input_.push_back({{}, kFailed}); }
  void feedLinkLoss() { input_.push_back({{}, kLinkLost}); }  // the connection then closes
  // Once the queue is empty, reads hand out this pattern over and over; empty stops it.
  void repeatForever(const std::string& bytes) {
    pattern_ = bytes;
    patternUsed_ = 0;
  }
  // At most this many bytes per read (0: as many as asked).
  void setChunkSize(uint32_t bytes) { chunkSize_ = bytes; }
  std::size_t pendingBytes() const;

  // A write whose bytes equal command queues response and a NUL (answerRaw: the bytes
  // exactly). A later call for the same command replaces the answer.
  void answer(const std::string& command, const std::string& response) {
    answers_[command] = response + '\0';
  }
  void answerRaw(const std::string& command, const std::string& bytes) { answers_[command] = bytes; }
  // The next write reports this raw result (a count, kTimedOut, kFailed or kLinkLost)
  // instead of writing; several calls script several writes.
  void scriptWrite(uint32_t rawResult) { writeResults_.push_back(rawResult); }

  std::string written() const { return std::accumulate(writes_.begin(), writes_.end(), std::string()); }
  const std::vector<std::string>& writes() const { return writes_; }
  void clearWritten() { writes_.clear(); }
  uint32_t readCalls() const { return readCalls_; }
  uint64_t bytesRead() const { return bytesRead_; }

 protected:
  std::string describe() const override { return "scripted"; }
  bool doKeepsDeviceClock() const override { return false; }
  bool doOpen() override { return true; }
  bool doClose() override { return true; }
  bool doSetTimeout(uint32_t milliseconds) override {
    timeout_ = milliseconds;
    return true;
  }
  uint32_t doGetTimeout() override { return timeout_; }
  uint32_t doRead(uint8_t* buffer, uint32_t count) override;
  uint32_t doWrite(const uint8_t* buffer, uint32_t count) override;

 private:
  // Each input is data (with a code of 0) or one raw result to report (the code, without data).
  using Input = std::pair<std::string, uint32_t>;
  std::deque<Input> input_;
  std::size_t used_ = 0;  // bytes of the front input already handed out
  std::string pattern_;
  std::size_t patternUsed_ = 0;
  uint32_t chunkSize_ = 0;
  std::map<std::string, std::string> answers_;
  std::deque<uint32_t> writeResults_;
  std::vector<std::string> writes_;
  uint32_t timeout_ = 0;
  uint32_t readCalls_ = 0;
  uint64_t bytesRead_ = 0;
};

}  // namespace zav::test

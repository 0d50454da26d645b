// A Connection whose device is a script taken from fuzzer input: each record is an
// operation byte, a length byte and that many bytes. Operations 0-3 hand out the bytes as
// input (a read takes at most what it asks for, the rest stays for the next read), 4 a
// time-out, 5 a failure, 6 a lost link, 7 as many zero bytes as the length says. Once the
// script ends every read times out. Writes are accepted and ignored.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "transport/connection.h"

namespace zav::fuzz {

class FuzzedConnection : public Connection {
 public:
  FuzzedConnection(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

 protected:
  std::string describe() const override { return "fuzzed"; }
  bool doKeepsDeviceClock() const override { return true; }
  bool doOpen() override { return true; }
  bool doClose() override { return true; }
  bool doSetTimeout(uint32_t milliseconds) override {
    timeout_ = milliseconds;
    return true;
  }
  uint32_t doGetTimeout() override { return timeout_; }
  uint32_t doWrite(const uint8_t*, uint32_t count) override { return count; }

  uint32_t doRead(uint8_t* buffer, uint32_t count) override {
    if (count == 0) return 0;
    while (left_ == 0) {
      if (next_ + 2 > size_) return kTimedOut;
      const uint8_t op = data_[next_] % 8;
      const std::size_t length = data_[next_ + 1];
      next_ += 2;
      if (op == 4) return kTimedOut;
      if (op == 5) return kFailed;
      if (op == 6) return kLinkLost;
      zeros_ = op == 7;
      left_ = zeros_ ? length : std::min(length, size_ - next_);
    }
    const auto n = static_cast<uint32_t>(std::min<std::size_t>(count, left_));
    if (zeros_) {
      std::memset(buffer, 0, n);
    } else {
      std::memcpy(buffer, data_ + next_, n);
      next_ += n;
    }
    left_ -= n;
    return n;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t next_ = 0;
  std::size_t left_ = 0;
  bool zeros_ = false;
  uint32_t timeout_ = 0;
};

// Ends the fuzzing run with a message when an invariant does not hold.
[[noreturn]] inline void broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace zav::fuzz

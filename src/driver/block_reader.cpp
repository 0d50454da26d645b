#include "driver/block_reader.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "common/block_format.h"
#include "transport/connection.h"

namespace zav {

namespace {

constexpr uint32_t kDrainTimeoutMs = 320;
constexpr uint32_t kDrainReads = 100;
constexpr uint32_t kDrainChunk = 1024;
constexpr uint32_t kDetectTimeoutMs = 400;
// Far beyond any real device's block (a 64-channel set's is under 2 KB); a larger list
// leaves the reader unconfigured rather than let a device's answer size its buffers.
constexpr uint64_t kLargestBlock = 1u << 20;
constexpr uint64_t kMostValues = 1u << 20;
// The slowest link a device streams over, in bytes per millisecond: what a call may add
// to its time-outs to let the bytes it needs arrive.
constexpr uint64_t kSlowestLinkBytesPerMs = 100;

// How many bytes a search may take without finding a valid block: a few blocks' worth,
// so a device at the wrong line speed (endless garbage) cannot hold the caller forever.
uint64_t searchLimit(uint32_t blockBytes) { return std::max<uint64_t>(4ull * blockBytes + 1024, 4096); }

using Clock = std::chrono::steady_clock;

// When a call that needs `bytes` must give up: two time-outs and the transfer. The
// time-out bounds only the wait for each byte, so a device that trickles bytes just
// within it would otherwise hold the call for as long as the byte bound lasts.
Clock::time_point deadline(uint32_t timeoutMs, uint64_t bytes) {
  return Clock::now() + std::chrono::milliseconds(2 * uint64_t{timeoutMs} + bytes / kSlowestLinkBytesPerMs + 1);
}

// Saves a connection's time-out and restores it when the scope ends.
class TimeoutScope {
 public:
  TimeoutScope(Connection& connection, uint32_t milliseconds)
      : connection_(connection), saved_(connection.timeout()) {
    connection_.setTimeout(milliseconds);
  }
  ~TimeoutScope() { connection_.setTimeout(saved_); }
  TimeoutScope(const TimeoutScope&) = delete;
  TimeoutScope& operator=(const TimeoutScope&) = delete;

 private:
  Connection& connection_;
  uint32_t saved_;
};

}  // namespace

BlockReader::BlockReader(Connection* connection) : connection_(connection) {}
BlockReader::~BlockReader() = default;
BlockReader::BlockReader(BlockReader&&) noexcept = default;
BlockReader& BlockReader::operator=(BlockReader&&) noexcept = default;

void BlockReader::setConnection(Connection* connection) { connection_ = connection; }

void BlockReader::configure(const SignalList& signals) {
  signals_ = signals;
  buffer_.clear();
  blockBytes_ = 0;
  layout_ = BlockLayout(signals_);
  const uint64_t blockBytes = layout_.blockBytes();
  if (!layout_.valid() || blockBytes > kLargestBlock || layout_.valueCount() > kMostValues) {
    layout_ = BlockLayout();
    return;
  }
  buffer_.assign(blockBytes, 0);
  blockBytes_ = static_cast<uint32_t>(blockBytes);
}

bool BlockReader::readBlock(uint32_t maxReads) {
  if (connection_ == nullptr || blockBytes_ == 0) return false;
  const uint32_t n = blockBytes_;
  const uint64_t limit = searchLimit(n);
  uint32_t filled = 0;
  uint32_t attempts = 0;
  uint64_t received = 0;
  const Clock::time_point giveUp = deadline(connection_->timeout(), n);
  while (filled < n) {
    if ((maxReads != 0 && attempts >= maxReads) || received >= limit) return false;
    if (attempts != 0 && Clock::now() > giveUp) return false;
    ++attempts;
    const int32_t got = connection_->read(buffer_.data() + filled, n - filled);
    if (got < 1) return false;
    filled += static_cast<uint32_t>(got);
    received += static_cast<uint32_t>(got);
    if (filled == n && !block::isValid(buffer_.data(), n)) {
      // Slide to the next possible header; a full buffer without one is dropped.
      const auto start = static_cast<uint32_t>(block::nextSync(buffer_.data(), 1, n));
      filled = n - start;
      std::memmove(buffer_.data(), buffer_.data() + start, filled);
    }
  }
  return true;
}

bool BlockReader::readAndDecode(std::vector<double>& values, uint16_t& sequence, uint16_t& battery,
                                uint16_t& flags) {
  if (!readBlock(0)) return false;
  values.resize(static_cast<std::size_t>(layout_.valueCount()));
  layout_.decodeBlock(buffer_.data(), values.data());
  const block::HeaderWords words = block::readHeader(buffer_.data());
  sequence = words.sequence;
  battery = words.battery;
  flags = words.flags;
  return true;
}

bool BlockReader::drainInput() {
  if (connection_ == nullptr || !connection_->isConnected()) return true;
  if (scratch_.size() < kDrainChunk) scratch_.resize(kDrainChunk);
  TimeoutScope timeout(*connection_, kDrainTimeoutMs);
  const Clock::time_point giveUp = deadline(kDrainTimeoutMs, uint64_t{kDrainReads} * kDrainChunk);
  for (uint32_t i = 0; i < kDrainReads; ++i) {
    if (connection_->read(scratch_.data(), kDrainChunk) < 1) return true;
    if (Clock::now() > giveUp) break;  // still sending, if only a trickle
  }
  return false;
}

bool BlockReader::detectStreaming(uint16_t frequency) {
  if (connection_ == nullptr || !connection_->isConnected()) return false;
  const uint32_t expected = blockBytes_ != 0 ? blockBytes_ : block::kOverheadBytes;
  const uint64_t limit = searchLimit(expected);
  // 160 / F tries is none above 160 blocks per second; every device gets at least one.
  const uint32_t tries = std::max(1u, 160u / (frequency != 0 ? frequency : 32u));
  TimeoutScope timeout(*connection_, kDetectTimeoutMs);
  const Clock::time_point giveUp = deadline(kDetectTimeoutMs, limit);
  for (uint32_t t = 0; t < tries && Clock::now() <= giveUp; ++t) {
    // Counts the bytes from the end of one header to the end of the next.
    int state = 0;
    uint32_t counted = 0;
    uint64_t received = 0;
    uint8_t byte = 0;
    while (state != 4 && received < limit && connection_->read(&byte, 1) == 1) {
      ++received;
      if (Clock::now() > giveUp) return false;
      switch (state) {
        case 0:
          state = byte == block::kSync0 ? 1 : 0;
          break;
        case 1:
          state = byte == block::kSync1 ? 2 : 0;
          break;
        case 2:
          ++counted;
          state = byte == block::kSync0 ? 3 : 2;
          break;
        default:
          ++counted;
          state = byte == block::kSync1 ? 4 : 2;
      }
    }
    if (state == 4 && counted == expected) return true;
  }
  return false;
}

uint32_t BlockReader::valuesPerRead() const { return static_cast<uint32_t>(layout_.valueCount()); }

}  // namespace zav

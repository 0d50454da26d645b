#include "driver/block_reader.h"

#include <algorithm>
#include <cstring>

#include "common/block_format.h"
#include "common/byte_order.h"
#include "signal/raw_conversion.h"
#include "transport/connection.h"

namespace zav {

namespace {

constexpr uint32_t kDrainTimeoutMs = 320;
constexpr uint32_t kDrainReads = 100;
constexpr uint32_t kDrainChunk = 1024;
constexpr uint32_t kDetectTimeoutMs = 400;
// Far beyond any real device's block; a larger list leaves the reader unconfigured.
constexpr uint64_t kLargestBlock = 64u * 1024u * 1024u;

// How many bytes a search may take without finding a valid block: a few blocks' worth,
// so a device at the wrong line speed (endless garbage) cannot hold the caller forever.
uint64_t searchLimit(uint32_t blockBytes) { return std::max<uint64_t>(4ull * blockBytes + 1024, 4096); }

bool isValidBlock(const std::vector<uint8_t>& buffer) {
  const std::size_t n = buffer.size();
  return buffer[0] == block::kSync0 && buffer[1] == block::kSync1 && byteSum(buffer.data(), n - 1) == buffer[n - 1];
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
  decoders_.clear();
  decoderModes_.clear();
  buffer_.clear();
  blockBytes_ = 0;
  valuesPerRead_ = 0;

  uint64_t payload = 0;
  uint64_t values = 0;
  for (const SignalInfo& info : signals_) {
    if (isSdCard(info)) continue;
    const auto field = [](int32_t value) { return static_cast<uint32_t>(std::max(value, 0)); };
    std::unique_ptr<SignalDecoder> decoder =
        makeDecoder(info.type, field(info.bytes), field(info.channels), field(info.blockSize));
    if (!decoder) return;
    if (info.mode >= 1) {
      payload += decoder->bytesPerBlock();
      values += decoder->valuesPerBlock();
    }
    decoders_.push_back(std::move(decoder));
    decoderModes_.push_back(info.mode);
  }
  const uint64_t blockBytes = block::kOverheadBytes + payload;
  if (blockBytes > kLargestBlock || values > kLargestBlock) return;
  buffer_.assign(blockBytes, 0);
  blockBytes_ = static_cast<uint32_t>(blockBytes);
  valuesPerRead_ = static_cast<uint32_t>(values);
}

bool BlockReader::readBlock(uint32_t maxReads) {
  if (connection_ == nullptr || blockBytes_ == 0) return false;
  const uint32_t n = blockBytes_;
  const uint64_t limit = searchLimit(n);
  uint32_t filled = 0;
  uint32_t attempts = 0;
  uint64_t received = 0;
  while (filled < n) {
    if ((maxReads != 0 && attempts >= maxReads) || received >= limit) return false;
    ++attempts;
    const int32_t got = connection_->read(buffer_.data() + filled, n - filled);
    if (got < 1) return false;
    filled += static_cast<uint32_t>(got);
    received += static_cast<uint32_t>(got);
    if (filled == n && !isValidBlock(buffer_)) {
      // Slide to the next possible header; a full buffer without one is dropped.
      const auto start = static_cast<uint32_t>(std::find(buffer_.begin() + 1, buffer_.end(), block::kSync0) -
                                               buffer_.begin());
      filled = n - start;
      std::memmove(buffer_.data(), buffer_.data() + start, filled);
    }
  }
  return true;
}

bool BlockReader::readAndDecode(std::vector<double>& values, uint16_t& sequence, uint16_t& battery,
                                uint16_t& flags) {
  if (!readBlock(0)) return false;
  values.resize(valuesPerRead_);
  const uint8_t* payload = buffer_.data() + block::kPayloadOffset;
  std::size_t byteOffset = 0;
  std::size_t valueOffset = 0;
  for (std::size_t k = 0; k < decoders_.size(); ++k) {
    const int32_t mode = decoderModes_[k];
    if (mode < 1) continue;  // not in the block
    const SignalDecoder& decoder = *decoders_[k];
    // A mode whose low byte is negative as a signed byte is not decoded (its values keep
    // what they held), but its place in the block is still passed over so that the
    // signals after it stay aligned.
    if (raw::toSigned8(static_cast<uint8_t>(mode & 0xFF)) > 0) {
      decoder.decode(payload + byteOffset, mode, values.data() + valueOffset);
    }
    byteOffset += decoder.bytesPerBlock();
    valueOffset += decoder.valuesPerBlock();
  }
  sequence = readU16BE(buffer_.data() + block::kSequenceOffset);
  battery = readU16BE(buffer_.data() + block::kBatteryOffset);
  flags = readU16BE(buffer_.data() + block::kFlagsOffset);
  return true;
}

bool BlockReader::drainInput() {
  if (connection_ == nullptr || !connection_->isConnected()) return true;
  if (scratch_.size() < kDrainChunk) scratch_.resize(kDrainChunk);
  TimeoutScope timeout(*connection_, kDrainTimeoutMs);
  for (uint32_t i = 0; i < kDrainReads; ++i) {
    if (connection_->read(scratch_.data(), kDrainChunk) < 1) return true;
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
  for (uint32_t t = 0; t < tries; ++t) {
    // Counts the bytes from the end of one header to the end of the next.
    int state = 0;
    uint32_t counted = 0;
    uint64_t received = 0;
    uint8_t byte = 0;
    while (state != 4 && received < limit && connection_->read(&byte, 1) == 1) {
      ++received;
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

uint32_t BlockReader::valuesPerRead() const { return valuesPerRead_; }

}  // namespace zav

#include "signal/block_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/block_format.h"

namespace zav {

namespace {

// Negative fields of a damaged list count as empty.
uint32_t field(int32_t value) {
  return static_cast<uint32_t>(std::max(value, 0));
}

}  // namespace

bool BlockSlot::decoded() const {
  return enabled() && decoderMode() > 0;
}

int32_t BlockSlot::decoderMode() const {
  return raw::toSigned8(static_cast<uint8_t>(mode & 0xFF));
}

BlockLayout::BlockLayout(const SignalList& signals) {
  slots_.reserve(signals.size());
  for (std::size_t i = 0; i < signals.size(); ++i) {
    const SignalInfo& info = signals[i];
    if (isSdCard(info)) continue;
    BlockSlot slot;
    slot.signal = i;
    slot.type = info.type;
    slot.mode = info.mode;
    slot.byteOffset = payloadBytes_;
    slot.valueOffset = valueCount_;
    slot.decoder = makeDecoder(info.type, field(info.bytes), field(info.channels), field(info.blockSize));
    if (!slot.decoder) {
      *this = BlockLayout();
      valid_ = false;
      return;
    }
    payloadBytes_ += slot.bytes();
    valueCount_ += slot.values();
    slots_.push_back(std::move(slot));
  }
}

const BlockSlot* BlockLayout::find(const std::string& type) const {
  for (const BlockSlot& slot : slots_) {
    if (slot.enabled() && slot.type == type) return &slot;
  }
  return nullptr;
}

uint64_t BlockLayout::blockBytes() const {
  return block::kOverheadBytes + payloadBytes_;
}

void BlockLayout::decodePayload(const uint8_t* payload, double* values) const {
  for (const BlockSlot& slot : slots_) {
    if (!slot.enabled()) continue;
    double* out = values + slot.valueOffset;
    if (slot.decoded()) {
      slot.decoder->decode(payload + slot.byteOffset, slot.decoderMode(), out);
    } else {
      // Its place is passed over; what it held before must not pass for this block's values.
      std::fill(out, out + slot.values(), std::numeric_limits<double>::quiet_NaN());
    }
  }
}

void BlockLayout::decodeBlock(const uint8_t* block, double* values) const {
  decodePayload(block + block::kPayloadOffset, values);
}

void BlockLayout::encodePayload(const double* values, uint8_t* payload) const {
  for (const BlockSlot& slot : slots_) {
    if (!slot.enabled()) continue;
    uint8_t* out = payload + slot.byteOffset;
    if (slot.decoded()) {
      slot.decoder->encode(values + slot.valueOffset, slot.decoderMode(), out);
    } else {
      std::memset(out, 0, static_cast<std::size_t>(slot.bytes()));
    }
  }
}

}  // namespace zav

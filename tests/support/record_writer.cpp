#include "support/record_writer.h"

#include <utility>

#include "common/block_format.h"
#include "common/byte_order.h"
#include "signal/signal_decoder.h"

namespace zav::test {

RecordWriter::RecordWriter(SignalList signals, uint16_t frequency, std::string description)
    : signals_(std::move(signals)), frequency_(frequency), description_(std::move(description)) {}

std::size_t RecordWriter::blockBytes() const {
  return block::kOverheadBytes + bytesPerBlock(signals_);
}

std::size_t RecordWriter::valueCount() const {
  return valuesPerBlock(signals_);
}

std::string RecordWriter::header() const {
  std::string text = description_ + '\0' + std::to_string(frequency_) + '\0';
  for (const SignalInfo& info : signals_) text += signalRecordText(info);
  text += signalRecordText(SignalInfo(kSdCardType, 0, 0, 0, 1));
  text += '\0';
  if (hasLayoutField_) text += "Cal" + layoutField_ + '\0';
  return text;
}

std::string RecordWriter::block(uint16_t sequence, const std::vector<double>& values, uint16_t battery,
                                uint16_t flags) const {
  std::string bytes(blockBytes(), '\0');
  auto* out = reinterpret_cast<uint8_t*>(bytes.data());
  out[0] = block::kSync0;
  out[1] = block::kSync1;
  writeU16BE(out + block::kSequenceOffset, sequence);
  writeU16BE(out + block::kBatteryOffset, battery);
  writeU16BE(out + block::kFlagsOffset, flags);
  std::size_t byteOffset = block::kPayloadOffset;
  std::size_t valueOffset = 0;
  for (const SignalInfo& info : signals_) {
    if (info.mode < 1) continue;
    const auto decoder =
        makeDecoder(info.type, static_cast<uint32_t>(info.bytes), static_cast<uint32_t>(info.channels),
                    static_cast<uint32_t>(info.blockSize));
    std::vector<double> signalValues(decoder->valuesPerBlock(), 0.0);
    for (std::size_t i = 0; i < signalValues.size() && valueOffset + i < values.size(); ++i) {
      signalValues[i] = values[valueOffset + i];
    }
    decoder->encode(signalValues.data(), info.mode, out + byteOffset);
    byteOffset += decoder->bytesPerBlock();
    valueOffset += decoder->valuesPerBlock();
  }
  out[bytes.size() - 1] = byteSum(out, bytes.size() - 1);
  if (padOddBlocks_ && bytes.size() % 2 == 1) bytes += '\0';
  return bytes;
}

std::string RecordWriter::file(const std::vector<uint16_t>& sequences,
                               const std::function<std::vector<double>(uint16_t)>& values) const {
  std::string bytes = header();
  for (uint16_t sequence : sequences) bytes += block(sequence, values(sequence));
  return bytes;
}

std::vector<uint16_t> sequenceRun(uint16_t first, std::size_t count) {
  std::vector<uint16_t> run;
  run.reserve(count);
  for (std::size_t i = 0; i < count; ++i) run.push_back(static_cast<uint16_t>(first + i));
  return run;
}

std::string withChangedByte(std::string bytes, std::size_t offset, uint8_t mask) {
  if (offset < bytes.size()) bytes[offset] = static_cast<char>(static_cast<uint8_t>(bytes[offset]) ^ mask);
  return bytes;
}

std::string withLostByte(std::string bytes, std::size_t offset) {
  if (offset < bytes.size()) bytes.erase(offset, 1);
  return bytes;
}

}  // namespace zav::test

#include "support/record_writer.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "common/block_format.h"
#include "common/record_header_text.h"

namespace zav::test {

RecordWriter::RecordWriter(SignalList signals, uint16_t frequency, std::string description)
    : signals_(std::move(signals)), frequency_(frequency), description_(std::move(description)) {}

std::string RecordWriter::header() const {
  std::string signalList;
  for (const SignalInfo& info : signals_) {
    // A three-digit mode takes the blank before it, as the record keeps 21 characters.
    std::string record = signalRecordText(info);
    if (record.size() == kSignalRecordLength + 1) record.erase(18, 1);
    signalList += record;
  }
  signalList += signalRecordText(SignalInfo(kSdCardType, 0, 0, 0, 1));
  return record_text::recordHeaderText({description_, frequency_, signalList, layoutField_});
}

std::string RecordWriter::block(uint16_t sequence, const std::vector<double>& values, uint16_t battery,
                                uint16_t flags) const {
  const BlockLayout layout(signals_);
  std::vector<double> all(static_cast<std::size_t>(layout.valueCount()), 0.0);
  std::copy_n(values.begin(), std::min(values.size(), all.size()), all.begin());
  std::string payload(static_cast<std::size_t>(layout.payloadBytes()), '\0');
  layout.encodePayload(all.data(), reinterpret_cast<uint8_t*>(payload.data()));
  std::string bytes = frameBlock(sequence, payload, battery, flags);
  if (padOddBlocks_ && bytes.size() % 2 == 1) bytes += '\0';
  return bytes;
}

std::string RecordWriter::file(const std::vector<uint16_t>& sequences,
                               const std::function<std::vector<double>(uint16_t)>& values) const {
  std::string bytes = header();
  for (uint16_t sequence : sequences) bytes += block(sequence, values(sequence));
  return bytes;
}

std::string frameBlock(uint16_t sequence, const std::string& payload, uint16_t battery, uint16_t flags) {
  std::string bytes(block::kOverheadBytes + payload.size(), '\0');
  auto* out = reinterpret_cast<uint8_t*>(bytes.data());
  block::writeHeader(out, {sequence, battery, flags});
  std::copy(payload.begin(), payload.end(), bytes.begin() + block::kPayloadOffset);
  block::finish(out, bytes.size());
  return bytes;
}

std::vector<uint16_t> sequenceRun(uint16_t first, std::size_t count) {
  std::vector<uint16_t> run(count);
  std::iota(run.begin(), run.end(), first);  // wraps as uint16_t does
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

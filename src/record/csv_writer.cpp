#include "record/csv_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/diagnostics.h"
#include "record/csv_file.h"
#include "record/csv_number.h"
#include "record/line_queue.h"
#include "signal/block_layout.h"
#include "signal/impedance_estimator.h"

namespace zav {

namespace {

const char* const kSummaryName = "signalsInfo.csv";
// Timestamp, sequence, battery and flags with their separators.
constexpr std::size_t kRowPrefixCapacity = 4 * (csv::kMaxIntegerLength + 1);

bool getsImpedance(const SignalInfo& info) {
  return info.type == "EEG" && info.mode != 0;
}

// A signal that has a data file, with where its values sit in a block.
struct SignalOutput {
  std::size_t signalIndex = 0;
  uint32_t channels = 0;
  uint32_t blockSize = 0;
  uint64_t valueOffset = 0;
  CsvFile* data = nullptr;
  ImpedanceEstimator* estimator = nullptr;
  CsvFile* impedance = nullptr;
};

std::string columnNames(bool timestamps, const char* first, const std::string& prefix, uint32_t channels) {
  std::string line = timestamps ? "timestamp," : "";
  line += first;
  for (uint32_t c = 1; c <= channels; ++c) line += "," + prefix + std::to_string(c);
  return line + "\n";
}

}  // namespace

struct CsvWriter::Impl {
  bool hasFolder = false;
  std::string outputFolder;
  SignalList signals;
  std::string label;
  uint32_t sensorType = 0;
  std::vector<std::unique_ptr<CsvFile>> dataFiles;
  std::vector<std::unique_ptr<ImpedanceEstimator>> estimators;  // one slot per signal
  std::vector<std::unique_ptr<CsvFile>> impedanceFiles;         // one slot per signal
  std::vector<SignalOutput> outputs;
  uint64_t valueCount = 0;  // of one block, set at open
  bool lost = false;  // a file could not be created or written
  CsvFile summary;
  std::vector<const CsvFile*> named;  // files whose failure has had its line
  // Rows go to the files through a writing thread, started once the header lines are out.
  LineQueue rows;

  std::string pathOf(const std::string& name) const { return outputFolder + "/" + name; }

  void noteFailure(const CsvFile& file, const char* what) {
    lost = true;
    named.push_back(&file);
    diag::line(what, file.path());
  }

  std::unique_ptr<CsvFile> create(const std::string& name, std::size_t lineCapacity) {
    auto file = std::make_unique<CsvFile>();
    if (!file->create(pathOf(name), lineCapacity)) noteFailure(*file, "cannot create ");
    return file;
  }

  // Header lines, written before the writing thread starts.
  void write(CsvFile& file, const std::string& text) {
    if (!file.isOpen() || file.failed()) return;
    if (!file.writeLine(text.data(), text.size())) noteFailure(file, "cannot write ");
  }

  // Names each file that the writing thread found refusing its bytes, once.
  void nameFailures(const std::vector<std::unique_ptr<CsvFile>>& files) {
    for (const auto& file : files) {
      if (file && file->failed() && std::find(named.begin(), named.end(), file.get()) == named.end()) {
        noteFailure(*file, "cannot write ");
      }
    }
  }
  void nameFailures() {
    nameFailures(dataFiles);
    nameFailures(impedanceFiles);
  }

  // Every queued row written, every file closed and every failure named.
  void finishAll() {
    rows.stop();
    for (auto& file : dataFiles) file->close();
    for (auto& file : impedanceFiles) {
      if (file) file->close();
    }
    nameFailures();
  }

  void dropFiles() {
    finishAll();
    dataFiles.clear();
    estimators.clear();
    impedanceFiles.clear();
    outputs.clear();
    named.clear();
  }

  static std::size_t rowCapacity(uint32_t channels) {
    return kRowPrefixCapacity + static_cast<std::size_t>(channels) * (1 + csv::kMaxFixedLength) + 1;
  }

  static bool writable(const CsvFile& file) { return file.isOpen() && !file.failed(); }

  // prefix holds the row start of every data row; its first sequenceEnd characters
  // (timestamp and sequence) start the impedance row.
  void writeRows(const double* data, const char* prefix, std::size_t prefixSize, std::size_t sequenceEnd) {
    for (const SignalOutput& output : outputs) {
      const double* values = data + output.valueOffset;
      if (writable(*output.data)) {
        for (uint32_t sample = 0; sample < output.blockSize; ++sample) {
          char* const begin = rows.begin(*output.data);
          std::memcpy(begin, prefix, prefixSize);
          char* out = begin + prefixSize;
          for (uint32_t c = 0; c < output.channels; ++c) {
            *out++ = ',';
            out = csv::formatFixed10(out, values[static_cast<std::size_t>(c) * output.blockSize + sample]);
          }
          *out++ = '\n';
          rows.commit(out);
        }
      }
      if (output.estimator != nullptr) {
        output.estimator->process(values, true);
        if (!writable(*output.impedance)) continue;
        char* const begin = rows.begin(*output.impedance);
        std::memcpy(begin, prefix, sequenceEnd);
        char* out = begin + sequenceEnd;
        for (uint32_t c = 0; c < output.channels; ++c) {
          *out++ = ',';
          out = csv::formatInteger(out, output.estimator->status(c));
        }
        *out++ = '\n';
        rows.commit(out);
      }
    }
    rows.offer();
    nameFailures();
  }
};

CsvWriter::CsvWriter(const char* outputFolder, const SignalInfo* signals, std::size_t count,
                     const std::string& label, uint32_t sensorType)
    : impl_(std::make_unique<Impl>()) {
  impl_->hasFolder = outputFolder != nullptr;
  if (outputFolder != nullptr) impl_->outputFolder = outputFolder;
  if (signals != nullptr) impl_->signals.assign(signals, signals + count);
  impl_->label = label;
  impl_->sensorType = sensorType;
}

CsvWriter::CsvWriter(const char* outputFolder, const std::string& label, uint32_t sensorType)
    : CsvWriter(outputFolder, nullptr, 0, label, sensorType) {}

CsvWriter::~CsvWriter() {
  CsvWriter::close();
}

bool CsvWriter::open(uint16_t frequency, bool timestamps) {
  Impl& d = *impl_;
  d.dropFiles();
  d.lost = false;
  if (!d.hasFolder) return false;
  CsvFile& summary = d.summary;
  if (!summary.create(d.pathOf(kSummaryName), 256)) return false;
  d.write(summary, std::string("signal,samplingrate,channels,samples,timestamps\n"));

  const std::size_t count = d.signals.size();
  d.estimators.resize(count);
  d.impedanceFiles.resize(count);
  std::size_t longestLine = 0;
  const BlockLayout layout(d.signals);
  d.valueCount = layout.valueCount();
  for (const BlockSlot& slot : layout.slots()) {
    const std::size_t i = slot.signal;
    const SignalInfo& info = d.signals[i];
    const std::string name = signalDisplayName(d.signals, i);
    const uint32_t channels = slot.decoder->channels();
    const uint32_t blockSize = slot.decoder->blockSize();
    const std::size_t rowCapacity = Impl::rowCapacity(channels);
    if (getsImpedance(info)) {
      d.estimators[i] =
          std::make_unique<ImpedanceEstimator>(kImpedanceWindowSeconds, kImpedanceUpdateSeconds);
      d.impedanceFiles[i] = d.create(name + "-impedances.csv", rowCapacity);
    }
    if (!slot.enabled()) continue;

    const uint32_t samplingRate = static_cast<uint32_t>(frequency) * blockSize;
    d.write(summary, name + "," + std::to_string(samplingRate) + "," + std::to_string(channels) + "," +
                         std::to_string(blockSize) + "," + (timestamps ? "true" : "false") + "\n");
    const std::string dataHeader = columnNames(timestamps, "sequence,battery,flags", name + "-ch", channels);
    d.dataFiles.push_back(d.create(name + ".csv", std::max(rowCapacity, dataHeader.size())));
    d.write(*d.dataFiles.back(), dataHeader);
    longestLine = std::max(longestLine, rowCapacity);

    SignalOutput output;
    output.signalIndex = i;
    output.channels = channels;
    output.blockSize = blockSize;
    output.valueOffset = slot.valueOffset;
    output.data = d.dataFiles.back().get();
    if (d.estimators[i]) {
      d.estimators[i]->configure(channels, blockSize, uint64_t{frequency} * blockSize, d.sensorType);
      output.estimator = d.estimators[i].get();
      output.impedance = d.impedanceFiles[i].get();
      d.write(*output.impedance, columnNames(timestamps, "sequence", name + "-imp-ch", channels));
    }
    d.outputs.push_back(output);
  }
  const bool summaryNamed = summary.failed();
  if (!summary.close() && !summaryNamed) d.noteFailure(summary, "cannot write ");
  if (!d.outputs.empty()) d.rows.start(longestLine);
  return true;
}

bool CsvWriter::open(const SignalList& signals, uint16_t frequency) {
  impl_->signals = signals;
  return open(frequency, false);
}

void CsvWriter::write(const BaseImporter::Block& block) {
  if (block.data.size() < impl_->valueCount) {
    impl_->lost = true;
    return;
  }
  writeBlock(block.data.data(), block.sequence, block.battery, block.flags);
}

void CsvWriter::writeBlock(const double* data, uint16_t sequence, uint16_t battery, uint16_t flags) {
  writeBlock(data, sequence, battery, flags, 0, false);
}

void CsvWriter::writeBlock(const double* data, uint16_t sequence, uint16_t battery, uint16_t flags,
                           int64_t timestamp, bool withTimestamp) {
  Impl& d = *impl_;
  if (d.outputs.empty()) return;
  char prefix[kRowPrefixCapacity];
  char* out = prefix;
  if (withTimestamp) {
    out = csv::formatInteger(out, timestamp);
    *out++ = ',';
  }
  out = csv::formatUnsigned(out, sequence);
  const std::size_t sequenceEnd = static_cast<std::size_t>(out - prefix);
  *out++ = ',';
  out = csv::formatInteger(out, static_cast<int16_t>(battery));
  *out++ = ',';
  out = csv::formatUnsigned(out, flags);
  d.writeRows(data, prefix, static_cast<std::size_t>(out - prefix), sequenceEnd);
}

uint64_t CsvWriter::valuesPerBlock() const {
  return BlockLayout(impl_->signals).valueCount();
}

bool CsvWriter::close() {
  impl_->finishAll();
  return !impl_->lost;
}

}  // namespace zav

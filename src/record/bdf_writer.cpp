#include "record/bdf_writer.h"

#include <edflib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "common/diagnostics.h"
#include "record/bdf_channels.h"
#include "record/marker_scanner.h"
#include "signal/block_layout.h"

namespace zav {

namespace {

constexpr uint16_t kNotAlignedFlags = 7;
// The two-device set's code line on its digital input.
constexpr uint32_t kMarkerChannel = 1;
// Annotation slots per data record: EDFlib places the annotations in the records at close,
// so the file holds at most this many per second of data.
constexpr int kAnnotationSignals = 8;
constexpr long long kTicksPerSecond = 10000;  // EDFlib's annotation time unit: 100 us
constexpr std::size_t kRecordingTextLength = 40;

// Bytes the C library may still hold in its buffer before a file's size shows a write:
// beyond them (and two records), the disk has stopped taking the data.
constexpr uint64_t kUnflushedBytes = uint64_t{4} << 20;

// The layout of a BDF file as its header states it.
struct FileShape {
  uint64_t headerBytes = 0;
  uint64_t recordBytes = 0;
  int64_t statedRecords = -1;
  bool valid = false;
};

int64_t headerNumber(const char* field, std::size_t length) {
  return std::strtoll(std::string(field, length).c_str(), nullptr, 10);
}

FileShape readShape(const std::string& path) {
  FileShape shape;
  std::ifstream file(path, std::ios::binary);
  char fixed[256];
  if (!file.read(fixed, sizeof fixed)) return shape;
  const int64_t signals = headerNumber(fixed + 252, 4);
  if (signals <= 0 || signals > 4096) return shape;
  std::string perSignal(static_cast<std::size_t>(signals) * 256, '\0');
  if (!file.read(perSignal.data(), static_cast<std::streamsize>(perSignal.size()))) return shape;
  // Samples per record come after label, transducer, unit, four range fields and prefilter.
  const std::size_t samplesField = static_cast<std::size_t>(signals) * (16 + 80 + 8 + 8 + 8 + 8 + 8 + 80);
  uint64_t samples = 0;
  for (int64_t i = 0; i < signals; ++i) {
    samples +=
        static_cast<uint64_t>(std::max<int64_t>(headerNumber(perSignal.data() + samplesField + i * 8, 8), 0));
  }
  shape.headerBytes = 256 * static_cast<uint64_t>(signals + 1);
  shape.recordBytes = 3 * samples;
  shape.statedRecords = headerNumber(fixed + 236, 8);
  shape.valid = shape.recordBytes > 0;
  return shape;
}

// Makes the file end with its last whole record and the header count the records it holds
// (a disk that stopped taking data leaves fewer than were written); false when it had to.
bool matchRecordCount(const std::string& path, uint64_t& whole) {
  const FileShape shape = readShape(path);
  std::error_code error;
  const uint64_t size = std::filesystem::file_size(path, error);
  if (!shape.valid || error || size < shape.headerBytes) return false;
  whole = (size - shape.headerBytes) / shape.recordBytes;
  const uint64_t end = shape.headerBytes + whole * shape.recordBytes;
  if (shape.statedRecords == static_cast<int64_t>(whole) && size == end) return true;
  std::filesystem::resize_file(path, end, error);
  char count[16];
  std::snprintf(count, sizeof count, "%-8llu", static_cast<unsigned long long>(whole));
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(236);
  file.write(count, 8);
  return false;
}

// A run of consecutive blocks that share a condition, annotated when it ends.
struct Run {
  uint64_t start = 0;
  uint64_t length = 0;
};

}  // namespace

struct BdfWriter::Impl {
  std::string path;
  ElectrodeLayout layout;
  std::string recordingText;
  std::string error;

  int handle = -1;
  std::vector<BdfChannel> channels;
  std::vector<std::size_t> recordOffsets;  // of each channel's samples in a data record
  std::vector<int> record;
  uint16_t frequency = 0;  // blocks per second and per data record
  uint64_t valueCount = 0;
  uint32_t blockInRecord = 0;
  uint64_t blocks = 0;  // placed in the file so far, fillers included
  uint64_t records = 0;
  FileShape shape;  // read once the header is on disk
  bool writeFailed = false;
  uint64_t annotations = 0;

  Run lost;
  Run notAligned;
  const BdfChannel* markerChannel = nullptr;
  MarkerScanner markers;

  bool fail(const std::string& reason) {
    if (error.empty()) error = reason;
    return false;
  }

  long long ticks(uint64_t blockCount) const {
    return static_cast<long long>(blockCount * kTicksPerSecond / std::max<uint16_t>(frequency, 1));
  }

  void annotate(uint64_t startBlock, uint64_t lengthBlocks, const std::string& text) {
    const long long duration = lengthBlocks == 0 ? -1 : ticks(lengthBlocks);
    if (edfwrite_annotation_utf8(handle, ticks(startBlock), duration, text.c_str()) == 0) ++annotations;
  }

  void annotateAt(long long onset, const std::string& text) {
    if (edfwrite_annotation_utf8(handle, onset, -1, text.c_str()) == 0) ++annotations;
  }

  void endLost() {
    if (lost.length > 0) {
      annotate(lost.start, lost.length,
               "lost " + std::to_string(lost.length) + (lost.length == 1 ? " block" : " blocks"));
    }
    lost = Run{};
  }

  void endNotAligned() {
    if (notAligned.length > 0) annotate(notAligned.start, notAligned.length, "not aligned");
    notAligned = Run{};
  }

  static void extend(Run& run, uint64_t block) {
    if (run.length == 0) run.start = block;
    ++run.length;
  }

  bool configure(int signal, const BdfChannel& channel) {
    const int samples = static_cast<int>(channel.samplesPerBlock * frequency);
    return edf_set_samplefrequency(handle, signal, samples) == 0 &&
           edf_set_physical_minimum(handle, signal, channel.physicalMin) == 0 &&
           edf_set_physical_maximum(handle, signal, channel.physicalMax) == 0 &&
           edf_set_digital_minimum(handle, signal, channel.digitalMin) == 0 &&
           edf_set_digital_maximum(handle, signal, channel.digitalMax) == 0 &&
           edf_set_label(handle, signal, channel.label.c_str()) == 0 &&
           edf_set_physical_dimension(handle, signal, channel.unit.c_str()) == 0;
  }

  bool open(const SignalList& signals, uint16_t blockRate) {
    error.clear();
    writeFailed = false;
    if (blockRate == 0) return fail("the record has no block rate");
    frequency = blockRate;
    channels = bdfChannels(signals, layout);
    if (channels.empty()) return fail("no enabled signal to record");
    if (channels.size() >= EDFLIB_MAXSIGNALS) return fail("more channels than a BDF file holds");
    valueCount = BlockLayout(signals).valueCount();

    recordOffsets.clear();
    std::size_t samples = 0;
    markerChannel = nullptr;
    const BlockLayout blockLayout(signals);
    const BlockSlot* din = blockLayout.find("DIN");
    for (const BdfChannel& channel : channels) {
      recordOffsets.push_back(samples);
      samples += std::size_t{channel.samplesPerBlock} * frequency;
      if (din != nullptr && din->decoded() && din->decoder->channels() > kMarkerChannel &&
          channel.valueIndex == din->valueOffset + uint64_t{kMarkerChannel} * din->decoder->blockSize()) {
        markerChannel = &channel;
      }
    }
    record.assign(samples, 0);
    blockInRecord = 0;
    blocks = 0;
    records = 0;
    annotations = 0;
    shape = FileShape{};
    lost = Run{};
    notAligned = Run{};
    markers = MarkerScanner{};

    handle = edfopen_file_writeonly(path.c_str(), EDFLIB_FILETYPE_BDFPLUS, static_cast<int>(channels.size()));
    if (handle < 0) return fail("cannot create " + path);
    bool set = edf_set_number_of_annotation_signals(handle, kAnnotationSignals) == 0 &&
               edf_set_equipment(handle, "zav") == 0 &&
               edf_set_recording_additional(handle, recordingText.c_str()) == 0;
    for (std::size_t i = 0; set && i < channels.size(); ++i)
      set = configure(static_cast<int>(i), channels[i]);
    if (!set) {
      edfclose_file(handle);
      handle = -1;
      return fail("the signals cannot be described in a BDF header");
    }
    return true;
  }

  void place(const double* values, bool missing) {
    for (std::size_t i = 0; i < channels.size(); ++i) {
      const BdfChannel& channel = channels[i];
      int* out = record.data() + recordOffsets[i] + std::size_t{blockInRecord} * channel.samplesPerBlock;
      if (missing) {
        std::fill(out, out + channel.samplesPerBlock, channel.fill);
        continue;
      }
      const double* in = values + channel.valueIndex;
      for (uint32_t s = 0; s < channel.samplesPerBlock; ++s) out[s] = channel.toDigital(in[s]);
    }
  }

  void scanMarkers(const double* values, bool missing) {
    if (markerChannel == nullptr) return;
    const uint32_t rows = markerChannel->samplesPerBlock;
    for (uint32_t s = 0; s < rows; ++s) {
      const bool high = !missing && values[markerChannel->valueIndex + s] > 0.0;  // NaN reads as low
      uint8_t code = 0;
      uint64_t start = 0;
      if (markers.push(high, code, start)) {
        annotateAt(static_cast<long long>(start * kTicksPerSecond / (uint64_t{rows} * frequency)),
                   "marker " + std::to_string(code));
      }
    }
  }

  void writeRecord() {
    blockInRecord = 0;
    if (edf_blockwrite_digital_samples(handle, record.data()) != 0 || !growing()) {
      writeFailed = true;
      fail("cannot write " + path + " (disk full or removed?)");
      finish();
    }
  }

  // The C library does not report failed writes: the file's size tells.
  bool growing() {
    ++records;
    if (!shape.valid) shape = readShape(path);
    if (!shape.valid) return true;
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(path, error);
    const uint64_t expected = shape.headerBytes + records * shape.recordBytes;
    return !error && size + 2 * shape.recordBytes + kUnflushedBytes >= expected;
  }

  void add(const double* values, std::size_t count, uint16_t flags, bool missing) {
    if (handle < 0) {
      if (!writeFailed) fail("the file is not open");
      return;
    }
    missing = missing || values == nullptr || count < valueCount;
    if (missing) {
      extend(lost, blocks);
    } else {
      endLost();
    }
    if (!missing && flags == kNotAlignedFlags) {
      extend(notAligned, blocks);
    } else {
      endNotAligned();
    }
    place(values, missing);
    scanMarkers(values, missing);
    ++blocks;
    if (++blockInRecord == frequency) writeRecord();
  }

  // Completes the last data record and closes the file; the header gets its record count.
  bool finish() {
    if (handle < 0) return false;
    endLost();
    endNotAligned();
    if (blockInRecord > 0 && !writeFailed) {
      annotate(blocks, frequency - blockInRecord, "no data");
      for (; blockInRecord < frequency; ++blockInRecord) place(nullptr, true);
      writeRecord();
    }
    const int closed = handle < 0 ? 0 : edfclose_file(handle);
    handle = -1;
    if (closed != 0) return fail("cannot complete " + path);
    uint64_t whole = 0;
    if (!matchRecordCount(path, whole)) {
      return fail("cannot write " + path + ": the disk took " + std::to_string(whole) + " of " +
                  std::to_string(records) + " data records");
    }
    const uint64_t room = records * kAnnotationSignals;
    if (annotations > room) {
      diag::line(path, ": ", annotations - room, " annotations did not fit the file");
    }
    return true;
  }
};

BdfWriter::BdfWriter(std::string path) : impl_(std::make_unique<Impl>()) {
  impl_->path = std::move(path);
}

BdfWriter::~BdfWriter() {
  impl_->finish();
}

bool BdfWriter::available() {
  return true;
}

void BdfWriter::setLayout(const ElectrodeLayout& layout) {
  impl_->layout = layout;
}

void BdfWriter::setRecordingText(const std::string& text) {
  // The header's recording field keeps room for its fixed parts; control bytes do not belong in it.
  std::string kept;
  for (char c : text) {
    if (kept.size() == kRecordingTextLength) break;
    kept += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  impl_->recordingText = kept;
}

bool BdfWriter::open(const SignalList& signals, uint16_t frequency) {
  impl_->finish();
  return impl_->open(signals, frequency);
}

void BdfWriter::write(const BaseImporter::Block& block) {
  impl_->add(block.data.data(), block.data.size(), block.flags, block.invalid);
}

void BdfWriter::write(const double* values, std::size_t count, uint16_t flags) {
  impl_->add(values, count, flags, false);
}

void BdfWriter::writeLost(uint64_t blocks) {
  for (uint64_t i = 0; i < blocks && impl_->handle >= 0; ++i) impl_->add(nullptr, 0, 0, true);
}

bool BdfWriter::close() {
  if (impl_->handle < 0) return impl_->error.empty() ? impl_->fail("the file is not open") : false;
  return impl_->finish() && impl_->error.empty();
}

bool BdfWriter::isOpen() const {
  return impl_->handle >= 0;
}

const std::string& BdfWriter::error() const {
  return impl_->error;
}

}  // namespace zav

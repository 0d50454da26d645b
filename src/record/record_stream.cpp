#include "record/record_stream.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "common/block_format.h"
#include "common/diagnostics.h"
#include "record/block_scanner.h"
#include "record/file_cursor.h"
#include "record/reorder_window.h"
#include "signal/block_layout.h"

namespace zav {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Signed distance from one 16-bit sequence number to another, the short way round.
int64_t sequenceDistance(uint16_t from, uint16_t to) {
  const uint16_t forward = static_cast<uint16_t>(to - from);
  return forward < 0x8000 ? forward : static_cast<int64_t>(forward) - 0x10000;
}

// Same entries, shapes and modes: the blocks of both lists lie alike.
bool sameSignals(const SignalList& a, const SignalList& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!sameShape(a[i], b[i]) || a[i].mode != b[i].mode) return false;
  }
  return true;
}

}  // namespace

struct RecordStream::Impl {
  std::vector<std::filesystem::path> files;
  std::vector<RecordHeader> headers;
  std::size_t nextFile = 0;
  bool failed = false;
  bool skipped = false;
  bool draining = false;
  BlockLayout layout;  // of the first file, for every file

  // The file being read.
  FileCursor cursor;
  std::optional<BlockScanner> scanner;
  bool fileOpen = false;
  bool fileEnded = false;

  ReorderWindow window;
  Block filler;
  Block* passedOn = nullptr;  // back to the pool at the next call

  // Sequence numbers are unwrapped into positions on a 64-bit line, so that the order
  // of the window is a true order and a number that comes round again is told apart.
  bool havePassed = false;
  int64_t lastPosition = 0;  // of the block passed on last
  bool haveReference = false;
  int64_t referencePosition = 0;
  uint16_t referenceSequence = 0;
  bool haveFiled = false;
  int64_t expectedPosition = 0;  // the number after that of the block filed last

  // The lowest block is chosen; fillers for [fillFrom, fillTo) go before it.
  bool lowestChosen = false;
  int64_t fillFrom = 0;
  int64_t fillTo = 0;

  int64_t positionOf(uint16_t sequence) {
    if (!haveReference) {
      haveReference = true;
      referenceSequence = sequence;
      referencePosition = sequence;  // a position's low 16 bits are always its sequence number
    }
    return referencePosition + sequenceDistance(referenceSequence, sequence);
  }

  // Opens file index for reading; false when it cannot be read (failed is set) or is
  // skipped.
  bool openFile(std::size_t index) {
    const std::filesystem::path& path = files[index];
    const RecordHeader& header = headers[index];
    if (!cursor.open(path)) {
      diag::line("cannot skip header");
      failed = true;
      return false;
    }
    if (index > 0 && !sameSignals(header.signals, headers[0].signals)) {
      diag::line("skipped ", path.string(), ": its signals differ from the record's first file");
      skipped = true;
      cursor.close();
      return false;
    }
    const uint64_t blockBytes = layout.blockBytes();
    if (!layout.valid() || blockBytes > kMaxRecordBlockBytes || layout.valueCount() > kMaxRecordBlockValues) {
      diag::line("block too large in ", path.string());
      cursor.close();
      failed = true;
      return false;
    }
    scanner.emplace(cursor, static_cast<std::size_t>(blockBytes));
    if (!cursor.seek(header.dataStart) || !scanner->skipHeader()) {
      diag::line("cannot skip header");
      closeFile();
      failed = true;
      return false;
    }
    const auto valueCount = static_cast<std::size_t>(layout.valueCount());
    window.reset(valueCount);
    filler.data.assign(valueCount, kNaN);
    filler.battery = 0;
    filler.flags = 0;
    filler.invalid = true;
    fileOpen = true;
    fileEnded = false;
    return true;
  }

  void closeFile() {
    cursor.close();
    scanner.reset();
    fileOpen = false;
  }

  // Header words always; the values only when the block is intact, NaN otherwise.
  void parseFileBlock(const uint8_t* bytes, Block& block) const {
    const block::HeaderWords words = block::readHeader(bytes);
    block.sequence = words.sequence;
    block.battery = words.battery;
    block.flags = words.flags;
    if (block.invalid) {
      std::fill(block.data.begin(), block.data.end(), kNaN);
    } else {
      layout.decodeBlock(bytes, block.data.data());
    }
  }

  // Reads the next block of the file into the window, or notes the file's end.
  void readBlock() {
    ScannedBlock scanned;
    if (!scanner->next(scanned)) {
      fileEnded = true;
      return;
    }
    Block* block = window.acquire();
    block->invalid = !scanned.intact;
    parseFileBlock(scanned.bytes, *block);
    const int64_t position = positionOf(block->sequence);
    if (block->invalid && haveFiled && position != expectedPosition) {
      // The checksum failed and the number is not the one that follows the block before:
      // the damage may have hit the header words. Its place, unless the intact block is
      // there, gets a filler.
      window.release(block);
      return;
    }
    if (havePassed && position <= lastPosition) {
      // Its place has gone by. Damaged blocks go silently: their number may be wrong.
      if (!block->invalid) {
        diag::line(block->sequence, position == lastPosition ? ": Repeated!!" : ": Late block dropped");
      }
      window.release(block);
      return;
    }
    if (Block* waiting = window.insert(block, position)) {
      if (waiting->invalid && !block->invalid) {
        window.release(window.replace(block, position));  // the intact copy wins
      } else {
        if (!block->invalid) diag::line(block->sequence, ": Repeated!!");
        window.release(block);
        return;
      }
    }
    haveFiled = true;
    expectedPosition = position + 1;
  }

  // Starts passing on the lowest block of the window: first the fillers of the gap
  // before it, then the block itself; next() hands them out one at a time.
  void emitLowest() {
    draining = fileEnded;
    lowestChosen = true;
    const int64_t lowest = window.lowestPosition();
    if (havePassed && lowest > lastPosition + 1) {
      fillFrom = lastPosition + 1;
      fillTo = lowest;
    }
  }

  const Block* next() {
    window.release(passedOn);
    passedOn = nullptr;
    while (!failed) {
      if (fillFrom < fillTo) {
        filler.sequence = static_cast<uint16_t>(fillFrom & 0xFFFF);
        ++fillFrom;
        return &filler;
      }
      if (lowestChosen) {
        lowestChosen = false;
        lastPosition = window.lowestPosition();
        passedOn = window.takeLowest();
        havePassed = true;
        referencePosition = lastPosition;
        referenceSequence = passedOn->sequence;
        return passedOn;
      }
      if (!fileOpen) {
        if (nextFile >= files.size()) return nullptr;
        if (!openFile(nextFile++)) continue;
      }
      while (!fileEnded && !window.full()) readBlock();
      if (window.empty()) {
        closeFile();
        continue;
      }
      emitLowest();
    }
    return nullptr;
  }
};

RecordStream::RecordStream(std::vector<std::filesystem::path> files, std::vector<RecordHeader> headers)
    : impl_(std::make_unique<Impl>()) {
  impl_->files = std::move(files);
  impl_->headers = std::move(headers);
  impl_->headers.resize(std::min(impl_->headers.size(), impl_->files.size()));
  for (std::size_t i = impl_->headers.size(); i < impl_->files.size(); ++i) {
    impl_->headers.push_back(readRecordHeader(impl_->files[i]));
  }
  if (!impl_->headers.empty()) impl_->layout = BlockLayout(impl_->headers[0].signals);
}

RecordStream::~RecordStream() = default;

const RecordStream::Block* RecordStream::next() {
  return impl_->next();
}

bool RecordStream::failed() const {
  return impl_->failed;
}

bool RecordStream::skipped() const {
  return impl_->skipped;
}

bool RecordStream::draining() const {
  return impl_->draining;
}

}  // namespace zav

#include "record/line_queue.h"

#include <algorithm>
#include <cstring>

#include "record/csv_file.h"

namespace zav {

namespace {

// Each chunk holds hundreds of typical rows, so the threads meet once per chunk rather
// than once per line. Enough chunks are in flight to keep the writer busy while the
// formatting thread waits to be scheduled on a busy machine.
constexpr std::size_t kChunks = 16;
constexpr std::size_t kMinChunkBytes = std::size_t{1} << 16;

}  // namespace

LineQueue::~LineQueue() {
  stop();
}

void LineQueue::start(std::size_t lineCapacity) {
  stop();
  lineCapacity_ = lineCapacity;
  chunkBytes_ = std::max(kMinChunkBytes, 2 * (sizeof(Entry) + lineCapacity));
  // Chunks get their bytes when first filled: a short record does not cost the whole ring.
  chunks_.assign(kChunks, std::vector<char>());
  filled_.assign(kChunks, 0);
  used_ = 0;
  published_ = 0;
  written_ = 0;
  stopping_ = false;
  writer_ = std::thread([this] { run(); });
}

char* LineQueue::begin(CsvFile& file) {
  if (used_ + sizeof(Entry) + lineCapacity_ > chunkBytes_) {
    std::unique_lock<std::mutex> lock(mutex_);
    publish(lock);
  }
  lineFile_ = &file;
  // The slot is the formatting side's until published, so sizing it here needs no lock.
  std::vector<char>& chunk = chunks_[published_ % kChunks];
  if (chunk.empty()) chunk.resize(chunkBytes_);
  return chunk.data() + used_ + sizeof(Entry);
}

void LineQueue::commit(const char* end) {
  char* chunk = chunks_[published_ % kChunks].data();
  const Entry entry{lineFile_, static_cast<std::size_t>(end - (chunk + used_ + sizeof(Entry)))};
  std::memcpy(chunk + used_, &entry, sizeof entry);
  used_ += sizeof(Entry) + entry.size;
}

void LineQueue::offer() {
  if (used_ == 0) return;
  std::unique_lock<std::mutex> lock(mutex_);
  if (written_ == published_) publish(lock);
}

void LineQueue::publish(std::unique_lock<std::mutex>& lock) {
  filled_[published_ % kChunks] = used_;
  ++published_;
  used_ = 0;
  ready_.notify_one();
  // The slot filled next must have been written out. A full ring is left to drain to
  // half, so that the formatting thread wakes once per many chunks, not once per chunk.
  if (published_ - written_ < kChunks) return;
  freed_.wait(lock, [this] { return published_ - written_ <= kChunks / 2; });
}

void LineQueue::stop() {
  if (!writer_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (used_ > 0) publish(lock);
    stopping_ = true;
    ready_.notify_one();
  }
  writer_.join();
}

void LineQueue::run() {
  for (;;) {
    std::size_t slot = 0;
    std::size_t size = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return written_ < published_ || stopping_; });
      if (written_ == published_) return;
      slot = written_ % kChunks;
      size = filled_[slot];
    }
    const char* chunk = chunks_[slot].data();
    for (std::size_t at = 0; at < size;) {
      Entry entry{};
      std::memcpy(&entry, chunk + at, sizeof entry);
      at += sizeof entry;
      entry.file->writeLine(chunk + at, entry.size);
      at += entry.size;
    }
    bool drained = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++written_;
      drained = published_ - written_ <= kChunks / 2;
    }
    if (drained) freed_.notify_one();
  }
}

}  // namespace zav

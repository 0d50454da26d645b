// Complete lines passed from the thread that formats them to a thread that only writes
// and flushes them, so that formatting overlaps the system's writes. Lines travel in a
// fixed ring of chunks that are reused: once each chunk has been filled, nothing is allocated.
//
//     LineQueue queue;
//     queue.start(longestLine);
//     char* line = queue.begin(file);      // room for longestLine bytes
//     queue.commit(formatRow(line));       // one past the line's '\n'
//     queue.offer();                       // now and then: hand over a part-filled chunk
//     queue.stop();                        // every line written, the thread ended
//
// Each line goes to its file through CsvFile::writeLine, so every file stays whole up to
// its last line. A file that has failed takes no more lines (CsvFile::failed tells).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace zav {

class CsvFile;

class LineQueue {
 public:
  LineQueue() = default;
  ~LineQueue();
  LineQueue(const LineQueue&) = delete;
  LineQueue& operator=(const LineQueue&) = delete;

  // Sizes the ring for lines of up to lineCapacity bytes and starts the writing thread.
  void start(std::size_t lineCapacity);
  // Room for one line to file, at least lineCapacity bytes; waits while the ring is full.
  char* begin(CsvFile& file);
  // Ends the line begun last; end is one past its last byte.
  void commit(const char* end);
  // Hands the lines gathered so far to the writing thread when it has nothing else to
  // do, so that a slow flow of lines still reaches the files at once.
  void offer();
  // Writes every line passed in, then ends the thread. Safe to call when not started.
  void stop();

 private:
  struct Entry {
    CsvFile* file;
    std::size_t size;
  };

  void publish(std::unique_lock<std::mutex>& lock);
  void run();

  std::size_t lineCapacity_ = 0;
  std::size_t chunkBytes_ = 0;
  std::vector<std::vector<char>> chunks_;
  std::vector<std::size_t> filled_;  // bytes of each published chunk

  // Formatting side only.
  std::size_t used_ = 0;  // of the chunk being filled
  CsvFile* lineFile_ = nullptr;

  std::mutex mutex_;
  std::condition_variable ready_;  // a chunk was published, or stop was asked
  std::condition_variable freed_;  // the writer finished a chunk
  uint64_t published_ = 0;         // chunk i lives in slot i % chunks
  uint64_t written_ = 0;
  bool stopping_ = false;
  std::thread writer_;
};

}  // namespace zav

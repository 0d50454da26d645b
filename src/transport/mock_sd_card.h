// The simulated amplifier's memory card: a host folder stands in for the card. Each
// recording writes files named "<n>_<file>" into the device's folder on the card (its
// backslash-separated parts become subfolders); every file starts with the record header
// and is split before it would pass the size limit, as the import expects.
//
//     MockSdCard card;
//     card.insert("/tmp/card", 1 << 20);
//     card.startRecording("data\\run1", "rec.sdf", header);   // data/run1/0_rec.sdf
//     card.write(block, size);                                  // per block
//     card.stopRecording();
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace zav {

class MockSdCard {
 public:
  // The largest file a FAT32 card holds.
  static constexpr uint64_t kDefaultFileBytes = 0xFFFFFFFFu;
  // The device's SD-card status codes that a failing card sets in the blocks' flags.
  static constexpr uint16_t kFolderError = 3;
  static constexpr uint16_t kFileError = 5;

  MockSdCard() = default;
  MockSdCard(const MockSdCard&) = delete;
  MockSdCard& operator=(const MockSdCard&) = delete;

  // An empty root takes the card out: nothing is recorded.
  void insert(const std::string& root, uint64_t fileBytes);
  bool inserted() const { return !root_.empty(); }

  // Opens the first file of a new recording, numbered after the files of that name already
  // in the folder, so that nothing recorded earlier is overwritten. A folder or file name
  // that leaves the card, or a card that refuses, gives one line and no recording.
  bool startRecording(const std::string& folder, const std::string& file, std::string header);
  // Appends one block, first opening the next file when this one would pass the limit. A
  // refusal gives one line and ends the recording; streaming is not the card's business.
  void write(const uint8_t* block, std::size_t size);
  void stopRecording();
  bool recording() const { return file_.is_open(); }
  // 0, or the status code of the last failure since the recording started.
  uint16_t fault() const { return fault_; }
  void clearFault() { fault_ = 0; }

 private:
  bool openNextFile();
  void fail(uint16_t code, const char* what, const std::filesystem::path& path);

  std::filesystem::path root_;
  uint64_t fileBytes_ = kDefaultFileBytes;
  std::filesystem::path directory_;
  std::string name_;
  std::string header_;
  uint64_t nextNumber_ = 0;
  uint64_t written_ = 0;  // bytes in the open file
  std::filesystem::path path_;
  std::ofstream file_;
  uint16_t fault_ = 0;
};

}  // namespace zav

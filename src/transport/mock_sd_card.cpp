#include "transport/mock_sd_card.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>
#include <utility>
#include <vector>

#include "common/diagnostics.h"

namespace zav {

namespace {

// Names a FAT card cannot hold; refusing them also keeps every file inside the card.
bool isCardName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr;
  });
}

// The device's folder text as a relative path: parts separated by backslashes (or
// slashes), empty and "." parts skipped. False for a part the card cannot hold.
bool cardFolder(const std::string& text, std::filesystem::path& folder) {
  folder.clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of("\\/", start), text.size());
    const std::string part = text.substr(start, end - start);
    if (!part.empty() && part != ".") {
      if (!isCardName(part)) return false;
      folder /= std::filesystem::u8path(part);
    }
    start = end + 1;
  }
  return true;
}

// One past the highest n of the files "<n>_<name>" in the folder; 0 when there is none.
uint64_t nextFileNumber(const std::filesystem::path& folder, const std::string& name) {
  uint64_t next = 0;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().u8string();
    const std::size_t underscore = entry.find('_');
    if (underscore == 0 || underscore == std::string::npos || underscore > 18) continue;
    if (entry.compare(underscore + 1, std::string::npos, name) != 0) continue;
    const std::string digits = entry.substr(0, underscore);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    next = std::max<uint64_t>(next, std::stoull(digits) + 1);
  }
  return next;
}

}  // namespace

void MockSdCard::insert(const std::string& root, uint64_t fileBytes) {
  stopRecording();
  root_ = std::filesystem::u8path(root);
  fileBytes_ = std::max<uint64_t>(fileBytes, 1);
}

bool MockSdCard::startRecording(const std::string& folder, const std::string& file, std::string header) {
  stopRecording();
  fault_ = 0;
  if (!inserted()) return false;
  std::filesystem::path relative;
  if (!cardFolder(folder, relative)) {
    fail(kFolderError, "cannot record into folder ", std::filesystem::u8path(folder));
    return false;
  }
  if (!isCardName(file)) {
    fail(kFileError, "cannot record under file name ", std::filesystem::u8path(file));
    return false;
  }
  directory_ = root_ / relative;
  std::error_code error;
  std::filesystem::create_directories(directory_, error);
  if (error) {
    fail(kFolderError, "cannot create folder ", directory_);
    return false;
  }
  name_ = file;
  header_ = std::move(header);
  try {
    nextNumber_ = nextFileNumber(directory_, name_);
  } catch (const std::exception&) {
    nextNumber_ = 0;  // a name the system cannot show is no file of this record
  }
  return openNextFile();
}

bool MockSdCard::openNextFile() {
  path_ = directory_ / std::filesystem::u8path(std::to_string(nextNumber_++) + "_" + name_);
  file_.open(path_, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!file_.is_open()) {
    fail(kFileError, "cannot create file ", path_);
    return false;
  }
  file_.write(header_.data(), static_cast<std::streamsize>(header_.size()));
  written_ = header_.size();
  if (!file_) {
    fail(kFileError, "cannot write file ", path_);
    return false;
  }
  return true;
}

void MockSdCard::write(const uint8_t* block, std::size_t size) {
  if (!file_.is_open()) return;
  // A file holds at least one block, however small the limit.
  if (written_ > header_.size() && written_ + size > fileBytes_) {
    file_.close();
    if (file_.fail()) {
      fail(kFileError, "cannot write file ", path_);
      return;
    }
    if (!openNextFile()) return;
  }
  file_.write(reinterpret_cast<const char*>(block), static_cast<std::streamsize>(size));
  written_ += size;
  if (!file_) fail(kFileError, "cannot write file ", path_);
}

void MockSdCard::stopRecording() {
  if (!file_.is_open()) return;
  file_.close();
  if (file_.fail()) fail(kFileError, "cannot write file ", path_);
}

void MockSdCard::fail(uint16_t code, const char* what, const std::filesystem::path& path) {
  fault_ = code;
  if (file_.is_open()) file_.close();
  file_.clear();
  diag::line("simulated SD card: ", what, path.u8string(), "; recording stopped");
}

}  // namespace zav

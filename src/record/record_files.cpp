#include "record/record_files.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <regex>
#include <system_error>

#include "common/diagnostics.h"

namespace zav {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Orders two digit strings by value (leading zeros ignored), whatever their length.
int compareDecimal(const std::string& a, const std::string& b) {
  const std::size_t aStart = std::min(a.find_first_not_of('0'), a.size());
  const std::size_t bStart = std::min(b.find_first_not_of('0'), b.size());
  const std::size_t aLength = a.size() - aStart;
  const std::size_t bLength = b.size() - bStart;
  if (aLength != bLength) return aLength < bLength ? -1 : 1;
  return a.compare(aStart, aLength, b, bStart, bLength);
}

// The regular expression engine backtracks: a repeated group such as "(a|a)*c", or a run
// of repetitions such as "a*a*a*c", takes minutes on one file name. A record name is a
// name, so only a plain text with at most two repetitions, none of a group, is accepted;
// that bounds the work per file name to a small power of its length.
constexpr std::size_t kMaxNameLength = 255;
constexpr int kMaxRepetitions = 2;
constexpr unsigned long kMaxRepeatCount = 255;

bool isTooComplex(const std::string& name) {
  if (name.size() > kMaxNameLength) return true;
  int repetitions = 0;
  bool afterGroup = false;       // the atom before is a parenthesised group
  bool afterRepetition = false;  // a '?' here makes that repetition lazy
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    bool repeats = false;
    if (c == '\\') {
      ++i;  // the escaped character is an atom
    } else if (c == '[') {
      for (++i; i < name.size() && name[i] != ']'; ++i) {
        if (name[i] == '\\') ++i;
      }
    } else if (c == '*' || c == '+' || (c == '?' && !afterRepetition && !(i > 0 && name[i - 1] == '('))) {
      repeats = true;
    } else if (c == '{') {
      std::size_t end = i + 1;
      while (end < name.size() && (isDigit(name[end]) || name[end] == ',')) {
        // Large counts unroll into large machines even without backtracking.
        if (isDigit(name[end]) && std::strtoul(name.c_str() + end, nullptr, 10) > kMaxRepeatCount) return true;
        while (end < name.size() && isDigit(name[end])) ++end;
        if (end < name.size() && name[end] == ',') ++end;
      }
      repeats = true;
      i = end;
    }
    if (repeats && (afterGroup || ++repetitions > kMaxRepetitions)) return true;
    afterRepetition = repeats;
    afterGroup = !repeats && c == ')';
  }
  return false;
}

struct RecordFile {
  std::string number;  // the file's index in the record
  std::string name;
};

}  // namespace

std::vector<std::string> listFolder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator entry(folder, error);
  const std::filesystem::directory_iterator end;
  while (!error && entry != end) {
    try {
      names.push_back(entry->path().filename().string());
    } catch (const std::exception&) {
      // A name that has no narrow form cannot be a record file name; it is left out.
    }
    entry.increment(error);
  }
  return names;
}

bool importsBefore(const std::string& numberA, const std::string& nameA, const std::string& numberB,
                   const std::string& nameB) {
  const int byNumber = compareDecimal(numberA, numberB);
  return byNumber != 0 ? byNumber < 0 : nameA < nameB;
}

std::vector<std::filesystem::path> findRecordFiles(const std::filesystem::path& folder,
                                                   const std::string& recordName, bool& valid) {
  std::vector<RecordFile> found;
  valid = true;
  if (isTooComplex(recordName)) {
    diag::line("record name too complex: ", recordName);
    valid = false;
    return {};
  }
  try {
    const std::regex pattern("[0-9]_" + recordName, std::regex::ECMAScript);
    for (std::string& name : listFolder(folder)) {
      std::smatch match;
      if (!std::regex_search(name, match, pattern)) continue;
      // The match starts at the last digit of the number; take all of its digits.
      const std::size_t last = static_cast<std::size_t>(match.position(0));
      std::size_t first = last;
      while (first > 0 && isDigit(name[first - 1])) --first;
      found.push_back({name.substr(first, last + 1 - first), std::move(name)});
    }
  } catch (const std::regex_error&) {
    valid = false;
    return {};
  }
  std::sort(found.begin(), found.end(), [](const RecordFile& a, const RecordFile& b) {
    return importsBefore(a.number, a.name, b.number, b.name);
  });
  std::vector<std::filesystem::path> files;
  files.reserve(found.size());
  for (const RecordFile& file : found) files.push_back(folder / file.name);
  return files;
}

}  // namespace zav

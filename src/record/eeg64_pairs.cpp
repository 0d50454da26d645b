#include "record/eeg64_pairs.h"

#include "record/record_files.h"

namespace zav {

namespace {

std::string withoutExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string withoutLastCharacter(const std::string& name) {
  return name.empty() ? name : name.substr(0, name.size() - 1);
}

}  // namespace

std::set<std::string> recordNamesFor(const std::string& folder, const std::string& name,
                                     const std::string& side) {
  const std::string stem = withoutExtension(name);
  std::set<std::string> names;
  for (const std::string& entry : listFolder(folder)) {
    const std::size_t position = entry.find(stem);
    if (position == std::string::npos) continue;
    if (!side.empty() && entry.find(side) == std::string::npos) continue;
    const std::string bare = withoutExtension(entry);
    if (position > bare.size()) continue;
    names.insert(bare.substr(position));
  }
  return names;
}

std::vector<Eeg64Pair> eeg64Pairs(const std::string& leftFolder, const std::string& rightFolder,
                                  const std::string& baseName) {
  const std::set<std::string> leftNames = recordNamesFor(leftFolder, baseName, kLeftSide);
  const std::set<std::string> rightNames = recordNamesFor(rightFolder, baseName, kRightSide);
  std::vector<Eeg64Pair> pairs;
  for (const std::string& left : leftNames) {
    const std::string common = withoutLastCharacter(left);
    for (const std::string& right : rightNames) {
      if (withoutLastCharacter(right) == common) pairs.push_back({left, right, common});
    }
  }
  return pairs;
}

}  // namespace zav

// Which files of a folder make up a record, and in which order they are read.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zav {

// Every entry name of the folder; none when it cannot be read.
std::vector<std::string> listFolder(const std::filesystem::path& folder);

// The files of the record: names in which the regular expression "[0-9]_" followed by
// recordName (ECMAScript, its characters keeping their meaning) is found. They are
// ordered by the number in front of "_" + recordName, compared as a number (2 before
// 10), then byte-wise. valid is false, and nothing is found, when the pattern is not a
// usable regular expression, or is one that could backtrack for minutes on a file name
// (longer than 255 characters, more than two repetitions, or a repeated group; a line
// "record name too complex: <name>" tells).
std::vector<std::filesystem::path> findRecordFiles(const std::filesystem::path& folder,
                                                   const std::string& recordName, bool& valid);

// Import order of two record files, each given by the digits of its number and its
// name: by the number's value (2 before 10), then byte-wise by name.
bool importsBefore(const std::string& numberA, const std::string& nameA, const std::string& numberB,
                   const std::string& nameB);

}  // namespace zav

// The short usage shown with a usage error, the exit statuses listed in --help, and the
// nearest subcommand to a misspelt one.
#pragma once

#include <string>
#include <vector>

namespace zav::cli {

// The usage of one subcommand, or of all when command is empty or unknown.
std::string usageText(const std::string& command);
std::string exitStatusText();
// The name among names nearest to word, or empty when none is near.
std::string nearestName(const std::string& word, const std::vector<std::string>& names);

}  // namespace zav::cli

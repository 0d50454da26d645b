// Checks of command-line values that answer in one short line what is wrong, for the
// usage error (exit status 2) that main prints.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace zav::cli {

// A text that must not be empty; what names it ("a port path").
CLI::Validator nonEmpty(const std::string& what);
// A whole number 0 or above.
CLI::Validator portNumber();
// A number of seconds at least minimum; why (may be empty) says where the minimum comes from.
CLI::Validator secondsAtLeast(double minimum, const std::string& why);

}  // namespace zav::cli

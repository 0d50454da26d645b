// Each subcommand registers itself on the application and sets the action that main runs
// when it was chosen; the action returns the process's exit status.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace zav::cli {

using CommandAction = std::function<int()>;

// Exit statuses, listed in the --help text.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;         // the device, the link, a file or a record failed
constexpr int kExitUsage = 2;          // the command line was wrong
constexpr int kExitContact = 3;        // zav impedance: a channel is bad or saturated
constexpr int kExitInterrupted = 130;  // Ctrl-C before the time given with --seconds

void addInfoCommand(CLI::App& app, CommandAction& action);
void addStreamCommand(CLI::App& app, CommandAction& action);
void addImpedanceCommand(CLI::App& app, CommandAction& action);
void addRecordCommand(CLI::App& app, CommandAction& action);

}  // namespace zav::cli

// Record commands live in the global namespace of their own files.
void addImportCommand(CLI::App& app, std::function<int()>& action);
void addRecordsCommand(CLI::App& app, std::function<int()>& action);

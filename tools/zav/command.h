// Each subcommand registers itself on the application and sets the action that main runs
// when it was chosen; the action returns the process's exit status.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace zav::cli {

using CommandAction = std::function<int()>;

void addInfoCommand(CLI::App& app, CommandAction& action);
void addStreamCommand(CLI::App& app, CommandAction& action);
void addImpedanceCommand(CLI::App& app, CommandAction& action);

}  // namespace zav::cli

// Record commands live in the global namespace of their own files.
void addImportCommand(CLI::App& app, std::function<int()>& action);
void addRecordsCommand(CLI::App& app, std::function<int()>& action);

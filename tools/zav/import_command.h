// zav import FOLDER RECORD OUTPUT: converts one SD-card record into CSV files.
#pragma once

#include <functional>

namespace CLI {
class App;
}

void addImportCommand(CLI::App& app, std::function<int()>& action);

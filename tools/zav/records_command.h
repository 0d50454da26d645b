// zav records FOLDER: the SD-card records in a folder, from their file headers.
#pragma once

#include <functional>

namespace CLI {
class App;
}

void addRecordsCommand(CLI::App& app, std::function<int()>& action);

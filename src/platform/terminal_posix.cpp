#include "platform/terminal.h"

#include <unistd.h>

namespace zav::platform {

bool isTerminal(std::FILE* stream) { return stream != nullptr && isatty(fileno(stream)) == 1; }

bool enableAnsi(std::FILE* stream) { return isTerminal(stream); }

}  // namespace zav::platform

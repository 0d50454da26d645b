#include "terminal.h"

#include <unistd.h>

namespace zav::cli {

bool enableAnsi(std::FILE* stream) { return stream != nullptr && isatty(fileno(stream)) == 1; }

}  // namespace zav::cli

#include <unistd.h>

#include "terminal.h"

namespace zav::cli {

bool enableAnsi(std::FILE* stream) {
  return stream != nullptr && isatty(fileno(stream)) == 1;
}

}  // namespace zav::cli

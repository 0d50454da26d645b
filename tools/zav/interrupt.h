// Ctrl-C handling: the first interrupt asks the running loop to stop cleanly.
#pragma once

namespace zav::cli {

void installInterruptHandler();
bool interruptRequested();

}  // namespace zav::cli

// Ctrl-C and SIGTERM ask the bridge to close its clients and exit.
#pragma once

namespace zav::rfbridge {

void installInterruptHandler();
bool interruptRequested();

}  // namespace zav::rfbridge

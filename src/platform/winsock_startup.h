// Windows Sockets 2.2 started for the process, shared by the socket and discovery code.
#pragma once

namespace zav::platform {

// True when Windows Sockets are usable.
bool startWinsock();

}  // namespace zav::platform

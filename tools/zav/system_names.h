// The few things the command line says differently per operating system: the path of a
// numbered USB serial port, the text of a system error code, and where the program lies.
#pragma once

#include <string>

namespace zav::cli {

// "/dev/ttyACM<n>" on Linux, "COM<n>" on Windows: the port the library opens for --usb n.
std::string usbPortPath(int port);
// The system's own words for an error code the library logged (errno; GetLastError).
std::string systemErrorText(unsigned long code);
// Whether an error code of opening a port means the file is no serial port at all.
bool notSerialPortError(unsigned long code);
// The folder of the running program, from argv[0] or else the program search path; empty
// when it cannot be told.
std::string programFolder(const char* argv0);

}  // namespace zav::cli

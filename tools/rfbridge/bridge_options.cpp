#include "bridge_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace zav::rfbridge {

namespace {

bool readNumber(const char* text, double smallest, double largest, double& out) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value < smallest || value > largest) {
    return false;
  }
  out = value;
  return true;
}

}  // namespace

bool parseOptions(int argc, char** argv, BridgeOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--quiet") {
      options.quiet = true;
    } else if (option == "--port" || option == "--idle-exit") {
      if (i + 1 >= argc) {
        error = option + " needs a value";
        return false;
      }
      double value = 0.0;
      if (option == "--port") {
        if (!readNumber(argv[++i], 1, 65535, value) || value != std::floor(value)) {
          error = std::string("--port needs a whole number from 1 to 65535, not ") + argv[i];
          return false;
        }
        options.port = static_cast<uint16_t>(value);
      } else {
        if (!readNumber(argv[++i], 0.001, 1e9, value)) {
          error = std::string("--idle-exit needs a positive number of seconds, not ") + argv[i];
          return false;
        }
        options.idleExitSeconds = value;
      }
    } else {
      error = "unknown option " + option + " (see --help)";
      return false;
    }
  }
  return true;
}

const char* helpText() {
  return R"(usage: rfbridge [--port N] [--idle-exit SECONDS] [--quiet] [--help]

Relays the byte streams of EEG amplifiers to local clients over TCP on 127.0.0.1.

A client connects, sends the device text followed by one 0 byte (at most 248 bytes
before it) and gets exactly 3 bytes: "OK" and a status byte, or "NO" and a reason byte.
After "OK" the bytes go unchanged both ways until either side closes; after "NO" the
bridge closes the connection.

Devices:
  00:11:22:33:44:55 or a name  a Bluetooth device, RFCOMM channel 1
  sim:left, sim:right          the two halves of a simulated 64-channel set
  sim:PATH.json                a simulated device from that configuration file
  sim:NAME                     the built-in simulated device
Each device serves one client at a time and keeps its state between clients.

Status byte after "OK":  0 Bluetooth device, 1 simulated device
Reason byte after "NO":  1 unknown device
                         2 device busy with another client
                         3 connection to the device failed
                         4 request too long

Options:
  --port N               listen on port N (default 54000)
  --idle-exit SECONDS    exit after that long without any client
  --quiet                no log lines
  --help                 this text

Logs one line per client event on standard error. Exits 0 on Ctrl-C or SIGTERM, 1 when
the port is in use, 2 on a bad command line.
)";
}

}  // namespace zav::rfbridge

// An amplifier behind a pseudo-terminal, served by its own thread on the master side; the code
// under test opens path() like any serial device. It answers "g" commands with their text
// ("gv": "HW9.0_FW1.6", "gf": 100), "c" commands and "a" with "OK", "ck" silently, byte 0x01
// with two microsecond times; between "s" and "p" it streams valid blocks. Commands are logged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav::test {

class PtyDevice {
 public:
  // One-shot replies to the next arrival of a command: "ERR" with no effect, or the command's
  // effect with another reply text.
  enum class Fault { error, answer };

  explicit PtyDevice(SignalList signals);
  ~PtyDevice();  // ends the device thread and closes the terminal
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  const std::string& path() const;  // the slave device file to open as a serial port

  // As if "s" or "p" had arrived (a device left streaming, or one that falls silent).
  void start();
  void stop();
  void inject(const std::string& command, Fault fault, const std::string& answer = std::string());
  void hangUp();                        // closes the master side now: the slave reports a hang-up
  void send(const std::string& bytes);  // raw bytes, as they are

  // The line settings the port under test left, as "460800 8N1 raw" (speed 0 when unusual,
  // "not 8N1", "cooked" for echo, line editing or character translation).
  std::string line() const;

  std::vector<std::string> received() const;  // each command with its parameter bytes
  SignalList signals() const;                 // the modes as "cc" last set them
  bool streaming() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav::test

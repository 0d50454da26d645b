// An amplifier behind a pseudo-terminal, run on its own thread on the master side; the code
// under test opens path() like any serial device. It answers "gv" ("HW9.0_FW1.6"), "gf"
// (100), "gc", "gd" ("records"), "ga" ("session.sdf"), "gx" with their text and a NUL; "cc",
// "cd", "ca", "cx", "cf", "ct", "a" with "OK" and a NUL; "ck" silently; byte 0x01 with two
// big-endian 32-bit microsecond times. Between "s" and "p" it streams valid blocks whose
// sequences run on across streams, and ignores "g"/"c" commands. Every command is logged.
//
//     PtyDevice device({{"EEG", 8, 3, 1, 1}, {"ACC", 3, 2, 1, 0}});
//     device.inject("gd", PtyDevice::Fault::answer, "elsewhere");  // next "gd" says so
//     device.hangUp();    // the device vanishes
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav::test {

class PtyDevice {
 public:
  // One-shot replies to the next arrival of a command, used in the order given:
  // error      "ERR" and the command has no effect;
  // answer     the command takes effect but the reply text is replaced.
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

  // The line settings the port under test left on the terminal, as "460800 8N1 raw": the
  // speed (0 for an unusual one), "8N1" for eight data bits, no parity and one stop bit
  // ("not 8N1" otherwise), and "raw" for no echo, no line editing and no character
  // translation ("cooked" otherwise).
  std::string line() const;

  std::vector<std::string> received() const;  // each command with its parameter bytes
  SignalList signals() const;                 // the modes as "cc" last set them
  bool streaming() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav::test

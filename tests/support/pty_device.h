// An amplifier behind a pseudo-terminal, for tests of everything above the serial port.
//
// The device runs on its own thread on the master side; the code under test opens the
// slave path like any serial device. It answers "gv" ("HW9.0_FW1.6"), "gf" (100), "gc",
// "gd" ("records"), "ga" ("session.sdf") and "gx" with their text and a NUL; "cc", "cd",
// "ca", "cx", "cf", "ct" and "a" with "OK" and a NUL; "ck" silently; byte 0x01 with two
// big-endian 32-bit device times in microseconds. It streams blocks between "s" and "p"
// at the frequency, ignores "g"/"c" commands while streaming and logs every command.
//
//     PtyDevice device({{"EEG", 8, 3, 1, 1}, {"ACC", 3, 2, 1, 0}});
//     device.inject("gd", PtyDevice::Fault::answer, "elsewhere");  // next "gd" says so
//     device.corruptBlock(2);   // third block of the stream: bad checksum
//     device.hangUpAfter(4);    // four blocks, then the device vanishes
//
// Block k of the stream is makeBlock(signals, k): payload byte i is (k + i) mod 256.
// Sequences start at 0 and run on across "s"/"p".
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
  // uartError  "UART ERR", then the normal reply;
  // answer     the command takes effect but the reply text is replaced.
  enum class Fault { error, uartError, answer };

  explicit PtyDevice(SignalList signals);
  ~PtyDevice();  // ends the device thread and closes the terminal
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  const std::string& path() const;  // the slave device file to open as a serial port

  // Streaming as if "s" or "p" had arrived (a device left streaming by an earlier host,
  // or one that falls silent).
  void start();
  void stop();
  void inject(const std::string& command, Fault fault, const std::string& answer = std::string());
  // Stream faults, counted in blocks from the next "s":
  void tearFirstBlock(uint32_t bytesCut);  // the first block loses its leading bytes
  void corruptBlock(uint32_t index);       // that block is sent with a wrong checksum
  // After `blocks` whole blocks and `extraBytes` of the next one, and once the peer has
  // read them, the master side closes: the slave reports a hang-up.
  void hangUpAfter(uint32_t blocks, uint32_t extraBytes = 0);
  void hangUp();                        // closes the master side now; returns once it is closed
  void send(const std::string& bytes);  // raw bytes, as they are

  // The line settings the port under test left on the terminal.
  struct Line {
    uint32_t baudRate = 0;  // 0 when the speed code is not one of the usual rates
    int dataBits = 0;
    bool parity = false;
    int stopBits = 0;
    bool raw = false;  // no echo, no line editing, no character translation
  };
  Line line() const;

  std::vector<std::string> received() const;  // each command with its parameter bytes
  SignalList signals() const;                 // the modes as "cc" last set them
  bool streaming() const;
  bool hungUp() const;

  static uint8_t payloadByte(uint16_t sequence, uint32_t offset) {
    return static_cast<uint8_t>((sequence + offset) & 0xFF);
  }
  // The valid block with this sequence number for the enabled signals of the list.
  static std::vector<uint8_t> makeBlock(const SignalList& signals, uint16_t sequence);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav::test

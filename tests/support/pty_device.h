// An amplifier behind a pseudo-terminal, for tests of everything above the serial port.
//
// The device runs on its own thread on the master side; the code under test opens the
// slave path like any serial device. It answers the command set ("gv", "gf", "gc", "gd",
// "ga", "gx" with their text and a NUL; "cc", "cd", "ca", "cx", "cf", "ct" and "a" with
// "OK" and a NUL; "ck" silently; byte 0x01 with two big-endian 32-bit device times in
// microseconds), streams blocks between "s" and "p" at `frequency` blocks per second, and
// ignores "g"/"c" commands while streaming. Every command is logged with its parameters.
//
//     PtyDevice device({{"EEG", 8, 3, 1, 1}, {"ACC", 3, 2, 1, 0}});
//     UsbConnection usb;
//     usb.setProperties({{"path", device.path()}});
//     device.inject("gd", PtyDevice::Fault::answer, "elsewhere");  // next "gd" says so
//     device.corruptBlock(2);                   // third block of the stream: bad checksum
//     device.hangUpAfter(4);                    // four blocks, then the device vanishes
//     device.start();                           // or streams already when the host comes
//     ... drive usb; block k of the stream is PtyDevice::makeBlock(signals, k) ...
//
// Payload byte i of the block with sequence s is payloadByte(s, i) = (s + i) mod 256, so
// tests can predict decoded values. Sequences start at 0 and run on across "s"/"p".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "signal/signal_info.h"

namespace zav::test {

class PtyDevice {
 public:
  struct Settings {
    SignalList signals;
    uint16_t frequency = 100;  // answered to "gf"; blocks per second while streaming
    std::string version = "HW9.0_FW1.6";
    std::string folder = "records";
    std::string file = "session.sdf";
    std::string extra = std::string();
    uint16_t battery = 3700;
    uint16_t flags = 0;
  };

  // One-shot replies to the next arrival of a command:
  // error      "ERR" and the command has no effect;
  // uartError  "UART ERR", then the normal reply;
  // silence    no reply and no effect ("p" keeps the stream going);
  // answer     the command takes effect but the reply text is replaced.
  enum class Fault { error, uartError, silence, answer };

  explicit PtyDevice(Settings settings);
  explicit PtyDevice(SignalList signals);  // default settings otherwise
  ~PtyDevice();  // ends the device thread and closes the terminal
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // The slave device file to open as a serial port.
  const std::string& path() const;

  // Streaming as if "s" or "p" had arrived (a device left streaming by an earlier host,
  // or one that falls silent); callable from any thread. The device thread itself runs
  // from construction to destruction.
  void start();
  void stop();

  // Faults queue per command and are used in the order given.
  void inject(const std::string& command, Fault fault, const std::string& answer = std::string());
  // Stream faults, counted in blocks from the next "s":
  void tearFirstBlock(uint32_t bytesCut);  // the first block loses its leading bytes
  void corruptBlock(uint32_t index);       // that block is sent with a wrong checksum
  // After `blocks` whole blocks and `extraBytes` of the next one, and once the peer has
  // read them, the master side closes: the slave reports a hang-up.
  void hangUpAfter(uint32_t blocks, uint32_t extraBytes = 0);
  // Closes the master side now (buffered bytes are lost); returns once it is closed.
  void hangUp();
  // Raw bytes into the stream, as they are (garbage, hand-made blocks).
  void send(const std::string& bytes);

  // The line settings in force on the terminal, as the port under test left them.
  struct Line {
    uint32_t baudRate = 0;  // 0 when the speed code is not one of the usual rates
    int dataBits = 0;
    bool parity = false;
    int stopBits = 0;
    bool raw = false;  // no echo, no line editing, no character translation
  };
  Line line() const;

  std::vector<std::string> received() const;  // each command with its parameter bytes
  SignalList signals() const;                  // the modes as "cc" last set them
  bool streaming() const;
  uint32_t blocksSent() const;  // whole blocks written since the last "s"
  bool hungUp() const;

  static uint8_t payloadByte(uint16_t sequence, uint32_t offset) {
    return static_cast<uint8_t>((sequence + offset) & 0xFF);
  }
  // The valid block with this sequence number for the enabled signals of the list.
  static std::vector<uint8_t> makeBlock(const SignalList& signals, uint16_t sequence, uint16_t battery = 3700,
                                        uint16_t flags = 0);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zav::test

#include "support/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "common/byte_order.h"
#include "signal/block_layout.h"
#include "support/record_writer.h"

namespace zav::test {

namespace {

using Clock = std::chrono::steady_clock;

// A reader that stops reading must not make the device hoard blocks without end.
constexpr std::size_t kOutputLimit = 64 * 1024;

std::string text(const std::string& value) {
  return value + '\0';
}

// A valid block of the enabled signals: payload byte i is (sequence + i) modulo 256.
std::string makeBlock(const SignalList& signals, uint16_t sequence) {
  std::string payload(static_cast<std::size_t>(BlockLayout(signals).payloadBytes()), '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(sequence + i);
  return frameBlock(sequence, payload, 3700);
}

const std::pair<speed_t, uint32_t> kRates[] = {{B115200, 115200}, {B230400, 230400}, {B460800, 460800}};

}  // namespace

struct PtyDevice::Impl {
  explicit Impl(SignalList s) : signals(std::move(s)) {}

  // Guards everything but the thread; the descriptors change only under it.
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::thread thread;
  int master = -1;
  int slave = -1;  // kept open so that the master side survives the peer's close
  std::string slavePath;
  bool stopRequested = false;
  bool hangUpNow = false;
  bool hungUp = false;

  SignalList signals;
  uint16_t frequency = 100;  // blocks per second while streaming
  std::map<char, std::string> texts{{'v', "HW9.0_FW1.6"}, {'d', "records"}, {'a', "session.sdf"}, {'x', ""}};
  std::map<std::string, std::deque<std::pair<Fault, std::string>>> faults;
  std::vector<std::string> received;
  std::string input;
  std::string output;
  Clock::time_point created = Clock::now();

  bool streaming = false;
  uint16_t sequence = 0;
  Clock::time_point nextDue;

  template <typename F>
  auto locked(F f) {
    std::lock_guard<std::mutex> lock(mutex);
    return f(*this);
  }

  void startStream() {
    streaming = true;
    nextDue = Clock::now();
  }

  // Queues the reply, or the fault injected for this command; false when the command must
  // have no effect.
  bool reply(const std::string& name, const std::string& normal) {
    auto& queue = faults[name];
    if (queue.empty()) {
      output += normal;
      return true;
    }
    const auto [fault, answer] = queue.front();
    queue.pop_front();
    output += text(fault == Fault::error ? "ERR" : answer);
    return fault != Fault::error;
  }

  // How many bytes the command at the front of input takes: 0 while more must arrive.
  std::size_t commandLength() const {
    if (input[0] != 'g' && input[0] != 'c') return 1;
    if (input.size() < 2) return 0;
    const std::string name = input.substr(0, 2);
    if (name == "cd" || name == "ca" || name == "cx") {
      const std::size_t end = input.find('\0', 2);
      return end == std::string::npos ? 0 : end + 1;
    }
    const std::size_t needed = name == "cc" ? 2 + signals.size() : name == "cf" ? 4 : name == "ct" ? 9 : 2;
    return input.size() >= needed ? needed : 0;
  }

  std::string query(char letter) {
    if (letter == 'f') return std::to_string(frequency);
    if (letter != 'c') return texts[letter];
    std::string list;
    for (const SignalInfo& info : signals) list += signalRecordText(info);
    return list;
  }

  void execute(const std::string& command) {
    const std::string name = command.substr(0, command[0] == 'g' || command[0] == 'c' ? 2 : 1);
    if (name == "\x01") {
      const auto now = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - created).count();
      std::string sample(8, '\0');
      writeU32BE(reinterpret_cast<uint8_t*>(sample.data()), static_cast<uint32_t>(now));
      writeU32BE(reinterpret_cast<uint8_t*>(sample.data()) + 4, static_cast<uint32_t>(now + 1));
      output += sample;
    } else if (name == "a") {
      reply(name, text("OK"));
    } else if (name == "s" || name == "p" || name == "ck") {
      const bool apply = reply(name, "");
      if (apply && name == "s") startStream();
      if (apply && name == "p") streaming = false;
    } else if (streaming || name.size() != 2) {
      return;  // noise, or a "g"/"c" command, which the device ignores while it streams
    } else if (name[0] == 'g' && (name[1] == 'c' || name[1] == 'f' || texts.count(name[1]) != 0)) {
      reply(name, text(query(name[1])));
    } else if (name[0] == 'c' && std::string("cdaxft").find(name[1]) != std::string::npos) {
      if (!reply(name, text("OK"))) return;
      const std::string parameters = command.substr(2);
      for (std::size_t i = 0; name[1] == 'c' && i < signals.size(); ++i)
        signals[i].mode = static_cast<int8_t>(static_cast<uint8_t>(parameters[i]));
      if (name[1] == 'f') {
        frequency = static_cast<uint16_t>(static_cast<uint8_t>(parameters[0]) |
                                          static_cast<uint8_t>(parameters[1]) << 8);
      }
      if (texts.count(name[1]) != 0) texts[name[1]] = parameters.substr(0, parameters.find('\0'));
    }
  }

  void emitBlocks() {
    while (streaming && Clock::now() >= nextDue && output.size() < kOutputLimit) {
      output += makeBlock(signals, sequence);
      sequence = static_cast<uint16_t>(sequence + 1);
      nextDue += std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(1.0 / std::max(1, +frequency)));
    }
  }

  // Reads commands, answers and streams until the device is ended or hangs up.
  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopRequested && !hangUpNow) {
      pollfd fd{master, static_cast<short>(POLLIN | (output.empty() ? 0 : POLLOUT)), 0};
      lock.unlock();
      ::poll(&fd, 1, 2);  // short, so that due blocks and a hang-up are not late
      lock.lock();
      char bytes[4096];
      const ssize_t got = (fd.revents & POLLIN) != 0 ? ::read(master, bytes, sizeof bytes) : 0;
      if (got > 0) input.append(bytes, static_cast<std::size_t>(got));
      while (!input.empty() && commandLength() != 0) {
        received.push_back(input.substr(0, commandLength()));
        input.erase(0, received.back().size());
        execute(received.back());
      }
      emitBlocks();
      const ssize_t put = output.empty() ? 0 : ::write(master, output.data(), output.size());
      output.erase(0, static_cast<std::size_t>(std::max<ssize_t>(put, 0)));
    }
    // Ended or hung up: from now on the slave side reports a hang-up.
    ::close(master);
    ::close(slave);
    master = slave = -1;
    hungUp = true;
    streaming = false;
    changed.notify_all();
  }
};

PtyDevice::PtyDevice(SignalList signals) : impl_(std::make_unique<Impl>(std::move(signals))) {
  Impl& d = *impl_;
  d.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  const char* name =
      d.master < 0 || grantpt(d.master) != 0 || unlockpt(d.master) != 0 ? nullptr : ptsname(d.master);
  if (name == nullptr) throw std::runtime_error("cannot create a pseudo-terminal");
  d.slavePath = name;
  d.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios settings{};
  if (d.slave < 0 || tcgetattr(d.slave, &settings) != 0)
    throw std::runtime_error("cannot open " + d.slavePath);
  // Raw from the start: an echoing terminal would hand the device its own replies.
  cfmakeraw(&settings);
  tcsetattr(d.slave, TCSANOW, &settings);
  d.thread = std::thread([&d] { d.run(); });
}

PtyDevice::~PtyDevice() {
  impl_->locked([](Impl& d) { d.stopRequested = true; });
  impl_->thread.join();
}

const std::string& PtyDevice::path() const {
  return impl_->slavePath;
}

void PtyDevice::start() {
  impl_->locked([](Impl& d) { d.startStream(); });
}
void PtyDevice::stop() {
  impl_->locked([](Impl& d) { d.streaming = false; });
}
void PtyDevice::send(const std::string& bytes) {
  impl_->locked([&](Impl& d) { d.output += bytes; });
}
void PtyDevice::inject(const std::string& command, Fault fault, const std::string& answer) {
  impl_->locked([&](Impl& d) { d.faults[command].emplace_back(fault, answer); });
}

void PtyDevice::hangUp() {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  impl_->hangUpNow = true;
  impl_->changed.wait(lock, [this] { return impl_->hungUp; });
}

std::string PtyDevice::line() const {
  return impl_->locked([](Impl& d) {
    termios t{};
    if (d.slave < 0 || tcgetattr(d.slave, &t) != 0) return std::string();
    uint32_t rate = 0;
    for (const auto& [code, value] : kRates) rate = cfgetospeed(&t) == code ? value : rate;
    const bool eightNoneOne = (t.c_cflag & (CSIZE | PARENB | CSTOPB)) == CS8;
    const bool raw = (t.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (t.c_oflag & OPOST) == 0 &&
                     (t.c_iflag & (ICRNL | IXON)) == 0;
    return std::to_string(rate) + (eightNoneOne ? " 8N1" : " not 8N1") + (raw ? " raw" : " cooked");
  });
}

std::vector<std::string> PtyDevice::received() const {
  return impl_->locked([](Impl& d) { return d.received; });
}
SignalList PtyDevice::signals() const {
  return impl_->locked([](Impl& d) { return d.signals; });
}
bool PtyDevice::streaming() const {
  return impl_->locked([](Impl& d) { return d.streaming; });
}

}  // namespace zav::test

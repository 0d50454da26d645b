#include "support/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
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

#include "common/block_format.h"
#include "common/byte_order.h"
#include "signal/block_layout.h"

namespace zav::test {

namespace {

using Clock = std::chrono::steady_clock;

// A reader that stops reading must not make the device hoard blocks without end.
constexpr std::size_t kOutputLimit = 64 * 1024;
const std::string kOk("OK\0", 3);

struct Injected {
  PtyDevice::Fault fault;
  std::string answer;
};

void setRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return;
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
}

const std::pair<speed_t, uint32_t> kRates[] = {
    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
    {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

std::string textReply(const std::string& text) {
  return text + std::string(1, '\0');
}

}  // namespace

std::vector<uint8_t> PtyDevice::makeBlock(const SignalList& signals, uint16_t sequence) {
  const auto payload = static_cast<std::size_t>(BlockLayout(signals).payloadBytes());
  std::vector<uint8_t> block(block::kOverheadBytes + payload);
  block::writeHeader(block.data(), {sequence, 3700, 0});
  for (std::size_t i = 0; i < payload; ++i) {
    block[block::kPayloadOffset + i] = payloadByte(sequence, static_cast<uint32_t>(i));
  }
  block::finish(block.data(), block.size());
  return block;
}

struct PtyDevice::Impl {
  explicit Impl(SignalList s) : signals(std::move(s)) {}

  // Everything below is guarded by mutex, except the descriptors, which only the device
  // thread touches once it runs.
  mutable std::mutex mutex;
  std::condition_variable changed;
  SignalList signals;
  uint16_t frequency = 100;  // blocks per second while streaming
  std::string folder = "records";
  std::string file = "session.sdf";
  std::string extra;
  int master = -1;
  int slave = -1;  // kept open so that the master side survives the peer's close
  int wakeRead = -1;
  int wakeWrite = -1;
  std::string slavePath;
  std::thread thread;
  bool stopRequested = false;
  bool hangUpNow = false;
  bool hungUp = false;

  std::map<std::string, std::deque<Injected>> faults;
  std::vector<std::string> received;
  std::string input;
  std::string output;

  bool streaming = false;
  uint16_t sequence = 0;
  uint32_t blocksSent = 0;
  Clock::time_point nextDue;
  uint32_t tearBytes = 0;
  std::vector<uint32_t> corrupt;
  bool scriptedHangUp = false;
  uint32_t hangUpBlocks = 0;
  uint32_t hangUpExtra = 0;
  bool hangUpArmed = false;  // the last bytes before the hang-up are written
  Clock::time_point created = Clock::now();

  void wake() const {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite, &byte, 1);
  }

  // Runs f on the state under the lock and wakes the device thread to act on it.
  template <typename F>
  auto locked(F f) {
    std::lock_guard<std::mutex> lock(mutex);
    wake();
    return f(*this);
  }

  Clock::duration period() const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / std::max(1, +frequency)));
  }

  void reply(const std::string& command, const std::string& normal, bool& apply) {
    auto found = faults.find(command);
    if (found == faults.end() || found->second.empty()) {
      output += normal;
      return;
    }
    const Injected injected = found->second.front();
    found->second.pop_front();
    switch (injected.fault) {
      case Fault::error:
        apply = false;
        output += textReply("ERR");
        break;
      case Fault::uartError:
        output += textReply("UART ERR") + normal;
        break;
      case Fault::answer:
        output += textReply(injected.answer);
        break;
    }
  }

  // The reply text of a query, before faults.
  std::string query(const std::string& command) const {
    if (command == "gv") return "HW9.0_FW1.6";
    if (command == "gf") return std::to_string(frequency);
    if (command == "gd") return folder;
    if (command == "ga") return file;
    if (command == "gx") return extra;
    std::string text;  // "gc"
    for (const SignalInfo& info : signals) text += signalRecordText(info);
    return text;
  }

  void startStream() {
    streaming = true;
    blocksSent = 0;
    hangUpArmed = false;
    nextDue = Clock::now();
  }

  void clockSample() {
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - created).count();
    uint8_t bytes[8];
    writeU32BE(bytes, static_cast<uint32_t>(now));
    writeU32BE(bytes + 4, static_cast<uint32_t>(now + 1));
    output.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }

  // How many bytes the command at the front of input takes: 0 when more must arrive.
  std::size_t commandLength() const {
    const char first = input[0];
    if (first != 'g' && first != 'c') return 1;
    if (input.size() < 2) return 0;
    const std::string name = input.substr(0, 2);
    std::size_t needed = 2;
    if (name == "cc") needed = 2 + signals.size();
    if (name == "cf") needed = 4;
    if (name == "ct") needed = 9;
    if (name == "cd" || name == "ca" || name == "cx") {
      const std::size_t end = input.find('\0', 2);
      return end == std::string::npos ? 0 : end + 1;
    }
    return input.size() >= needed ? needed : 0;
  }

  void execute(const std::string& command) {
    static const std::string kQueries[] = {"gv", "gf", "gc", "gd", "ga", "gx"};
    static const std::string kSettings[] = {"cc", "cd", "ca", "cx", "cf", "ct"};
    const std::string name = command.substr(0, command[0] == 'g' || command[0] == 'c' ? 2 : 1);
    const auto among = [&](const auto& list) {
      return std::find(std::begin(list), std::end(list), name) != std::end(list);
    };
    bool apply = true;
    if (name == "\x01") return clockSample();
    if (name == "a") return reply(name, kOk, apply);
    if (name == "s" || name == "p" || name == "ck") {
      reply(name, std::string(), apply);
      if (apply && name == "s") startStream();
      if (apply && name == "p") streaming = false;
      return;
    }
    if (streaming) return;  // the device ignores "g" and "c" commands while it streams
    if (among(kQueries)) return reply(name, textReply(query(name)), apply);
    if (!among(kSettings)) return;  // noise
    reply(name, kOk, apply);
    if (!apply) return;
    const std::string parameters = command.substr(2);
    const std::string text = parameters.substr(0, parameters.find('\0'));
    if (name == "cd") folder = text;
    if (name == "ca") file = text;
    if (name == "cx") extra = text;
    if (name == "cf")
      frequency = static_cast<uint16_t>(static_cast<uint8_t>(parameters[0]) |
                                        static_cast<uint8_t>(parameters[1]) << 8);
    for (std::size_t i = 0; name == "cc" && i < signals.size(); ++i) {
      signals[i].mode = static_cast<int8_t>(static_cast<uint8_t>(parameters[i]));
    }
  }

  void interpret() {
    while (!input.empty()) {
      const std::size_t length = commandLength();
      if (length == 0) return;
      const std::string command = input.substr(0, length);
      input.erase(0, length);
      received.push_back(command);
      execute(command);
    }
  }

  void emitBlocks() {
    while (streaming && !hangUpArmed && Clock::now() >= nextDue && output.size() < kOutputLimit) {
      const uint32_t index = blocksSent;
      std::vector<uint8_t> block = makeBlock(signals, sequence);
      if (scriptedHangUp && index == hangUpBlocks) {
        const std::size_t extra = std::min<std::size_t>(hangUpExtra, block.size() - 1);
        output.append(reinterpret_cast<const char*>(block.data()), extra);
        hangUpArmed = true;
        return;
      }
      for (uint32_t bad : corrupt) {
        if (bad == index) block.back() = static_cast<uint8_t>(block.back() + 1);
      }
      std::size_t skip = 0;
      if (index == 0) skip = std::min<std::size_t>(tearBytes, block.size() - 1);
      output.append(reinterpret_cast<const char*>(block.data()) + skip, block.size() - skip);
      sequence = static_cast<uint16_t>(sequence + 1);
      ++blocksSent;
      nextDue += period();
    }
  }

  void flushOutput() {
    while (!output.empty() && master >= 0) {
      const ssize_t put = ::write(master, output.data(), output.size());
      if (put <= 0) return;  // full for now; the poll wakes us when there is room
      output.erase(0, static_cast<std::size_t>(put));
    }
  }

  // The bytes written to the master are still in the terminal until the peer reads them.
  bool peerHasReadEverything() const {
    int pending = 0;
    return output.empty() && ::ioctl(slave, FIONREAD, &pending) == 0 && pending == 0;
  }

  void closeTerminal() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
    master = -1;
    slave = -1;
    hungUp = true;
    streaming = false;
    changed.notify_all();
  }

  int pollTimeoutMs() const {
    if (hangUpArmed) return 5;
    if (!streaming || output.size() >= kOutputLimit) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextDue - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left) + 1;
  }

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    Clock::time_point drainDeadline{};
    int quietChecks = 0;
    while (!stopRequested) {
      const bool open = master >= 0;
      pollfd fds[2] = {{wakeRead, POLLIN, 0}, {master, static_cast<short>(open ? POLLIN : 0), 0}};
      if (open && !output.empty()) fds[1].events |= POLLOUT;
      const int timeout = open ? pollTimeoutMs() : -1;
      lock.unlock();
      ::poll(fds, open ? 2 : 1, timeout);
      lock.lock();

      if (fds[0].revents & POLLIN) {
        char scratch[64];
        while (::read(wakeRead, scratch, sizeof scratch) > 0) {
        }
      }
      if (hangUpNow && master >= 0) closeTerminal();
      if (master < 0) continue;

      if (fds[1].revents & POLLIN) {
        char bytes[4096];
        const ssize_t got = ::read(master, bytes, sizeof bytes);
        if (got > 0) {
          input.append(bytes, static_cast<std::size_t>(got));
          interpret();
        }
      }
      emitBlocks();
      flushOutput();

      if (!hangUpArmed) {
        drainDeadline = Clock::time_point{};
        continue;
      }
      // Hang up once the peer has taken every byte (seen empty a few times in a row, as
      // the terminal moves bytes to the reader's side in the background), or after a while.
      if (drainDeadline == Clock::time_point{}) drainDeadline = Clock::now() + std::chrono::seconds(3);
      quietChecks = peerHasReadEverything() ? quietChecks + 1 : 0;
      if (quietChecks >= 4 || Clock::now() >= drainDeadline) {
        quietChecks = 0;
        hangUpArmed = false;
        closeTerminal();
      }
    }
  }
};

PtyDevice::PtyDevice(SignalList signals) : impl_(std::make_unique<Impl>(std::move(signals))) {
  Impl& d = *impl_;
  d.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (d.master < 0 || grantpt(d.master) != 0 || unlockpt(d.master) != 0) {
    throw std::runtime_error("cannot create a pseudo-terminal");
  }
  const char* name = ptsname(d.master);
  if (name == nullptr) throw std::runtime_error("pseudo-terminal without a name");
  d.slavePath = name;
  d.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (d.slave < 0) throw std::runtime_error("cannot open " + d.slavePath);
  // Raw from the start: an echoing terminal would hand the device its own replies.
  setRaw(d.slave);
  ::fcntl(d.master, F_SETFL, ::fcntl(d.master, F_GETFL) | O_NONBLOCK);
  ::fcntl(d.master, F_SETFD, FD_CLOEXEC);
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) throw std::runtime_error("cannot create the wake-up pipe");
  d.wakeRead = pipeEnds[0];
  d.wakeWrite = pipeEnds[1];
  ::fcntl(d.wakeRead, F_SETFL, O_NONBLOCK);
  ::fcntl(d.wakeWrite, F_SETFL, O_NONBLOCK);  // a full pipe already means "wake up"
  d.thread = std::thread([&d] { d.run(); });
}

PtyDevice::~PtyDevice() {
  Impl& d = *impl_;
  {
    std::lock_guard<std::mutex> lock(d.mutex);
    d.stopRequested = true;
    d.wake();
  }
  d.thread.join();
  if (d.master >= 0) ::close(d.master);
  if (d.slave >= 0) ::close(d.slave);
  ::close(d.wakeRead);
  ::close(d.wakeWrite);
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
void PtyDevice::tearFirstBlock(uint32_t bytesCut) {
  impl_->locked([&](Impl& d) { d.tearBytes = bytesCut; });
}
void PtyDevice::corruptBlock(uint32_t index) {
  impl_->locked([&](Impl& d) { d.corrupt.push_back(index); });
}
void PtyDevice::send(const std::string& bytes) {
  impl_->locked([&](Impl& d) { d.output += bytes; });
}

void PtyDevice::inject(const std::string& command, Fault fault, const std::string& answer) {
  impl_->locked([&](Impl& d) { d.faults[command].push_back({fault, answer}); });
}

void PtyDevice::hangUpAfter(uint32_t blocks, uint32_t extraBytes) {
  impl_->locked([&](Impl& d) {
    d.scriptedHangUp = true;
    d.hangUpBlocks = blocks;
    d.hangUpExtra = extraBytes;
  });
}

void PtyDevice::hangUp() {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  impl_->hangUpNow = true;
  impl_->wake();
  impl_->changed.wait(lock, [this] { return impl_->hungUp; });
}

PtyDevice::Line PtyDevice::line() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Line line;
  termios settings{};
  if (impl_->slave < 0 || tcgetattr(impl_->slave, &settings) != 0) return line;
  for (const auto& [code, rate] : kRates) {
    if (cfgetospeed(&settings) == code) line.baudRate = rate;
  }
  const tcflag_t size = settings.c_cflag & CSIZE;
  line.dataBits = size == CS8 ? 8 : size == CS7 ? 7 : size == CS6 ? 6 : 5;
  line.parity = (settings.c_cflag & PARENB) != 0;
  line.stopBits = (settings.c_cflag & CSTOPB) != 0 ? 2 : 1;
  line.raw = (settings.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (settings.c_oflag & OPOST) == 0 &&
             (settings.c_iflag & (ICRNL | IXON)) == 0;
  return line;
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
bool PtyDevice::hungUp() const {
  return impl_->locked([](Impl& d) { return d.hungUp; });
}

}  // namespace zav::test

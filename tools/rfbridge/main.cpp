// rfbridge: the local bridge between clients of the library and amplifiers (see --help and
// bridge_protocol.h for the protocol and its answer codes).
#include <chrono>
#include <iostream>
#include <list>
#include <memory>
#include <thread>

#include "bridge_log.h"
#include "bridge_options.h"
#include "client_session.h"
#include "device_registry.h"
#include "interrupt.h"
#include "platform/socket.h"

namespace zav::rfbridge {

namespace {

constexpr uint32_t kAcceptPollMs = 100;

struct RunningSession {
  std::thread thread;
  std::atomic<bool> done{false};
};

int serve(const BridgeOptions& options) {
  BridgeLog log(options.quiet);
  platform::Socket listener;
  if (!listener.listenLoopback(options.port)) {
    std::cerr << "rfbridge: cannot listen on 127.0.0.1 port " << options.port
              << ": the port is in use (is another bridge running?)\n";
    return 1;
  }
  installInterruptHandler();
  log.line("listening on 127.0.0.1 port ", options.port);

  DeviceRegistry devices;  // outlives every session, which borrow its devices
  std::atomic<bool> stopping{false};
  std::list<RunningSession> sessions;
  uint64_t clients = 0;
  using Clock = std::chrono::steady_clock;
  auto idleSince = Clock::now();
  const auto idleLimit = std::chrono::duration<double>(options.idleExitSeconds);

  while (!interruptRequested()) {
    platform::Socket client = listener.accept(kAcceptPollMs);
    if (client.isOpen()) {
      RunningSession& session = sessions.emplace_back();
      session.thread = std::thread(
          [&session, &devices, &log, &stopping](platform::Socket socket, uint64_t number) {
            ClientSession(std::move(socket), number, devices, log, stopping).run();
            session.done = true;
          },
          std::move(client), ++clients);
    }
    // Finished sessions are joined as they end, so that thousands of clients leave nothing.
    for (auto it = sessions.begin(); it != sessions.end();) {
      if (it->done) {
        it->thread.join();
        it = sessions.erase(it);
      } else {
        ++it;
      }
    }
    if (!sessions.empty()) {
      idleSince = Clock::now();
    } else if (options.idleExitSeconds > 0.0 && Clock::now() - idleSince >= idleLimit) {
      log.line("no client for ", options.idleExitSeconds, " s, exiting");
      return 0;
    }
  }
  log.line("interrupted, closing ", sessions.size(), " client(s)");
  stopping = true;
  for (RunningSession& session : sessions) session.thread.join();
  return 0;
}

}  // namespace

}  // namespace zav::rfbridge

int main(int argc, char** argv) {
  using namespace zav::rfbridge;
  BridgeOptions options;
  std::string error;
  if (!parseOptions(argc, argv, options, error)) {
    std::cerr << "rfbridge: " << error << '\n';
    return 2;
  }
  if (options.help) {
    std::cout << helpText();
    return 0;
  }
  try {
    return serve(options);
  } catch (const std::exception& failure) {
    std::cerr << "rfbridge: " << failure.what() << '\n';
    return 1;
  }
}

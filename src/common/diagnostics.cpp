#include "common/diagnostics.h"

#include <iostream>
#include <mutex>

namespace zav::diag {

namespace {

struct Destination {
  // Recursive: a sink may itself cause a diagnostic on the same thread.
  std::recursive_mutex mutex;
  Sink sink = nullptr;
  void* user = nullptr;
};

Destination& destination() {
  static Destination d;
  return d;
}

}  // namespace

void setSink(Sink sink, void* user) {
  Destination& d = destination();
  std::lock_guard<std::recursive_mutex> lock(d.mutex);
  d.sink = sink;
  d.user = user;
}

void write(const std::string& text) {
  Destination& d = destination();
  std::lock_guard<std::recursive_mutex> lock(d.mutex);
  if (d.sink != nullptr) {
    d.sink(text.c_str(), d.user);
    return;
  }
  std::cout << text << '\n' << std::flush;
}

}  // namespace zav::diag

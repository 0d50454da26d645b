// One line per event on standard error, whole lines even when clients log at once.
#pragma once

#include <mutex>
#include <sstream>
#include <string>

namespace zav::rfbridge {

class BridgeLog {
 public:
  explicit BridgeLog(bool quiet) : quiet_(quiet) {}

  template <typename... Parts>
  void line(const Parts&... parts) {
    if (quiet_) return;
    std::ostringstream text;
    text << "rfbridge: ";
    (text << ... << parts);
    write(text.str());
  }

 private:
  void write(const std::string& text);

  bool quiet_;
  std::mutex mutex_;
};

}  // namespace zav::rfbridge

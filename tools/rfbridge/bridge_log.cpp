#include "bridge_log.h"

#include <iostream>

namespace zav::rfbridge {

void BridgeLog::write(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::cerr << text << '\n' << std::flush;
}

}  // namespace zav::rfbridge

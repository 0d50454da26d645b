#include "usage.h"

#include <algorithm>
#include <utility>

namespace zav::cli {

namespace {

const std::pair<const char*, const char*> kUsages[] = {
    {"info", "zav info [DEVICE]"},
    {"stream", "zav stream [DEVICE] [--seconds N]"},
    {"impedance", "zav impedance [DEVICE] [--seconds N (10 or more)]"},
    {"record", "zav record OUT.bdf [DEVICE] [--seconds N] [--format bdf]"},
    {"records", "zav records FOLDER | zav records --eeg64 LEFTFOLDER RIGHTFOLDER BASE"},
    {"import", "zav import FOLDER RECORD OUTPUT | zav import --eeg64 LEFTFOLDER RIGHTFOLDER BASE OUTPUT"},
};

constexpr const char* kDevice =
    "DEVICE: --simulated [CONFIG.json] | --serial PATH | --usb N | --bluetooth NAME | --eeg64 [LEFT RIGHT]";

std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string usageText(const std::string& command) {
  std::string text;
  for (const auto& [name, usage] : kUsages) {
    if (command == name) text = std::string("usage: ") + usage + "\n";
  }
  if (text.empty()) {
    const char* lead = "usage: ";
    for (const auto& [name, usage] : kUsages) {
      text += std::string(lead) + usage + "\n";
      lead = "       ";
    }
  }
  const bool device = command != "records" && command != "import";
  return text + (device ? std::string(kDevice) + "\n" : std::string()) +
         "\"zav --help\" and \"zav COMMAND --help\" tell more\n";
}

std::string exitStatusText() {
  return "Exit status: 0 done; 1 the device, its link, a file or a record failed; 2 usage error;\n"
         "3 zav impedance found a bad or saturated channel; 130 stopped by Ctrl-C before the time\n"
         "given with --seconds.";
}

std::string nearestName(const std::string& word, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = 3;  // more edits than this is another word
  for (const std::string& name : names) {
    const std::size_t distance = editDistance(word, name);
    const bool prefix = word.size() >= 3 && name.rfind(word, 0) == 0;
    if (prefix) return name;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best;
}

}  // namespace zav::cli

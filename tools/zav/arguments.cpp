#include "arguments.h"

#include <cmath>
#include <cstdlib>

namespace zav::cli {

namespace {

std::string inQuotes(const std::string& value) {
  return "\"" + value + "\"";
}

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

CLI::Validator nonEmpty(const std::string& what) {
  return CLI::Validator(
      [what](std::string& value) {
        return value.empty() ? "needs " + what + ", not an empty text" : std::string();
      },
      "", "non-empty");
}

CLI::Validator portNumber() {
  return CLI::Validator(
      [](std::string& value) {
        const bool digits =
            !value.empty() && value.size() < 7 && value.find_first_not_of("0123456789") == std::string::npos;
        return digits ? std::string() : "takes a port number 0 or above, not " + inQuotes(value);
      },
      "", "port number");
}

CLI::Validator secondsAtLeast(double minimum, const std::string& why) {
  return CLI::Validator(
      [minimum, why](std::string& value) {
        char* end = nullptr;
        const double seconds = std::strtod(value.c_str(), &end);
        if (value.empty() || end == nullptr || *end != '\0' || !std::isfinite(seconds)) {
          return "takes a number of seconds, not " + inQuotes(value);
        }
        if (seconds < minimum) {
          return "takes " + numberText(minimum) + " seconds or more, not " + value +
                 (why.empty() ? "" : " (" + why + ")");
        }
        return std::string();
      },
      "", "seconds");
}

}  // namespace zav::cli

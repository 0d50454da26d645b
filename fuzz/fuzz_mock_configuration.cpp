// The simulated device's configuration: any JSON document through addMockConfiguration.
// A document that is taken must describe a device that can stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "common/diagnostics.h"
#include "fuzzed_connection.h"
#include "transport/mock_configuration.h"

namespace {
void quiet(const char*, void*) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  zav::diag::setSink(quiet, nullptr);
  const nlohmann::json document = nlohmann::json::parse(data, data + size, nullptr, false);
  if (document.is_discarded()) return 0;
  zav::MockSetup setup;
  try {
    if (zav::addMockConfiguration(document, "fuzz", setup) && setup.frequency <= 0) {
      zav::fuzz::broken("a configuration was taken with no block rate");
    }
  } catch (const std::exception&) {
    // An unreadable configuration may raise; that is its documented failure.
  }
  return 0;
}

#include "transport/mock_connection.h"

#include <exception>
#include <vector>

#include "common/property_map.h"
#include "common/diagnostics.h"
#include "transport/byte_queue.h"
#include "transport/mock_command_interpreter.h"
#include "transport/mock_configuration.h"
#include "transport/mock_device.h"

namespace zav {

namespace {

const char* const kConfigurationProperty = "configuration";
const char* const kPresetProperty = "preset";
const char* const kCardProperty = "card";
const char* const kCardFileBytesProperty = "cardfilebytes";

}  // namespace

struct MockConnection::Impl {
  int32_t state = kMockClosed;
  uint32_t timeout = 0;
  std::vector<uint8_t> input;
  ByteQueue output;
  MockDevice device;
  // What the device was last set up from; reopening with the same source keeps the
  // device as it was (modes included), as a real amplifier would.
  bool configured = false;
  std::string source;
  MockCard card;  // as configured, before the properties' say

  bool configure(const std::string* preset, const std::string* configuration) {
    MockSetup setup;
    if (preset != nullptr && !addMockPreset(*preset, setup)) return false;
    if (configuration != nullptr && !addMockConfigurationFile(*configuration, setup)) return false;
    card = setup.card;
    device.configure(std::move(setup));
    return true;
  }
};

MockConnection::MockConnection() : impl_(std::make_unique<Impl>()) {}
MockConnection::~MockConnection() = default;

std::string MockConnection::describe() const {
  return "Mock device";
}

bool MockConnection::doOpen() {
  try {
    // Whole texts: a configuration path may hold blanks.
    const PropertyMap props(properties());
    const std::string* preset = props.has(kPresetProperty) ? &props.text(kPresetProperty) : nullptr;
    const std::string* configuration =
        props.has(kConfigurationProperty) ? &props.text(kConfigurationProperty) : nullptr;
    std::string source = preset != nullptr ? "preset:" + *preset + "\n" : "\n";
    if (configuration != nullptr) source += "configuration:" + *configuration;
    if (!impl_->configured || source != impl_->source) {
      if (!impl_->configure(preset, configuration)) return false;
      impl_->configured = true;
      impl_->source = std::move(source);
    }
    MockCard card = impl_->card;
    if (props.has(kCardProperty)) card.folder = props.text(kCardProperty);
    if (props.has(kCardFileBytesProperty)) card.fileBytes = props.get<uint64_t>(kCardFileBytesProperty);
    impl_->device.insertCard(card);
    impl_->state = kMockOpen;
    return true;
  } catch (const std::exception& error) {
    diag::line("cannot open the simulated device: ", error.what());
    return false;
  } catch (...) {
    diag::line("cannot open the simulated device");
    return false;
  }
}

bool MockConnection::doClose() {
  impl_->state = kMockClosed;
  impl_->device.stopRecording();
  return true;
}

bool MockConnection::doSetTimeout(uint32_t milliseconds) {
  impl_->timeout = milliseconds;
  return true;
}

uint32_t MockConnection::doGetTimeout() {
  return impl_->timeout;
}

uint32_t MockConnection::doRead(uint8_t* buffer, uint32_t count) {
  if (count == 0) return 0;
  if (impl_->output.empty()) {
    // Nothing to send outside streaming: answer at once instead of waiting out the time-out.
    if (impl_->state != kMockStreaming) return kTimedOut;
    impl_->device.produceBlock(impl_->output);
  }
  return static_cast<uint32_t>(impl_->output.take(buffer, count));
}

uint32_t MockConnection::doWrite(const uint8_t* buffer, uint32_t count) {
  impl_->input.insert(impl_->input.end(), buffer, buffer + count);
  interpretCommands(impl_->device, impl_->state, impl_->input, impl_->output);
  return count;
}

}  // namespace zav

#include "device_registry.h"

#include <chrono>

#include "transport/bluetooth_connection.h"
#include "transport/mock_connection.h"
#include "transport/mock_configuration.h"

namespace zav::rfbridge {

namespace {

const std::string kSimulatedPrefix = "sim:";
// Longer than a departing client takes to be noticed (a poll, or one block of a stream).
constexpr auto kBusyGrace = std::chrono::milliseconds(500);
const std::string kConfigurationSuffix = ".json";

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::unique_ptr<BridgeDevice> makeDevice(const std::string& text) {
  auto device = std::make_unique<BridgeDevice>();
  PropertyValues properties;
  if (text.compare(0, kSimulatedPrefix.size(), kSimulatedPrefix) == 0) {
    const std::string name = text.substr(kSimulatedPrefix.size());
    if (name.empty()) return nullptr;
    device->simulated = true;
    device->connection = std::make_unique<MockConnection>();
    if (endsWith(name, kConfigurationSuffix)) {
      properties["configuration"] = name;
    } else if (name == kLeftPreset || name == kRightPreset) {
      properties["preset"] = name;
    } else {
      properties["preset"] = kDefaultPreset;
    }
  } else {
    device->connection = std::make_unique<BluetoothConnection>();
    properties["device"] = text;
    properties["single"] = "1";  // the bridge owns the link: straight to the device
  }
  device->connection->setProperties(properties);
  return device;
}

}  // namespace

DeviceRegistry::Claim DeviceRegistry::claim(const std::string& text) {
  if (text.empty()) return {nullptr, Refusal::unknownDevice};
  BridgeDevice* device = nullptr;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + kBusyGrace;
    for (bool lastLook = false;; ) {
      // Looked up anew after every wait: a simulated device that failed to open is dropped.
      auto found = devices_.find(text);
      if (found == devices_.end()) {
        std::unique_ptr<BridgeDevice> made = makeDevice(text);
        if (!made) return {nullptr, Refusal::unknownDevice};
        found = devices_.emplace(text, std::move(made)).first;
      }
      if (!found->second->busy) {
        device = found->second.get();
        device->busy = true;
        break;
      }
      if (lastLook) return {nullptr, Refusal::busy};
      lastLook = released_.wait_until(lock, deadline) == std::cv_status::timeout;
    }
  }
  // Opened outside the lock: a Bluetooth connect may take seconds and must not hold up
  // the other clients.
  if (device->connection->open()) return {device, Refusal::unknownDevice};
  const Refusal reason = device->simulated ? Refusal::unknownDevice : Refusal::connectFailed;
  const std::lock_guard<std::mutex> lock(mutex_);
  if (device->simulated) {
    // A configuration that could not be used may be mended before the next request.
    devices_.erase(text);
  } else {
    device->busy = false;
  }
  released_.notify_all();
  return {nullptr, reason};
}

void DeviceRegistry::release(BridgeDevice& device) {
  device.connection->close();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    device.busy = false;
  }
  released_.notify_all();
}

}  // namespace zav::rfbridge

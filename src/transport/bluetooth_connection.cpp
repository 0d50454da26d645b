#include "transport/bluetooth_connection.h"

#include "common/property_map.h"
#include "transport/bluetooth_client.h"

namespace zav {

namespace {

constexpr const char* kDevice = "device";
constexpr const char* kSingle = "single";
constexpr const char* kPath = "path";
// Not set by the library: lets tests and tools reach a bridge on another port than 54000.
constexpr const char* kBridgePort = "bridgePort";

}  // namespace

BluetoothConnection::BluetoothConnection() : client_(std::make_unique<BluetoothClient>()) {}

BluetoothConnection::~BluetoothConnection() { client_->disconnect(); }

std::string BluetoothConnection::describe() const {
  return PropertyMap(properties()).get<std::string>(kDevice);
}

bool BluetoothConnection::doOpen() {
  const PropertyMap props(properties());
  if (!props.has(kDevice)) return false;
  return client_->connect(props.get<std::string>(kDevice));
}

bool BluetoothConnection::doClose() {
  client_->disconnect();
  return true;
}

bool BluetoothConnection::doSetTimeout(uint32_t milliseconds) {
  client_->setTimeout(milliseconds);
  return true;
}

uint32_t BluetoothConnection::doGetTimeout() { return client_->timeout(); }

uint32_t BluetoothConnection::doRead(uint8_t* buffer, uint32_t count) {
  return client_->receive(buffer, count);
}

uint32_t BluetoothConnection::doWrite(const uint8_t* buffer, uint32_t count) {
  return client_->send(buffer, count);
}

void BluetoothConnection::applyProperties() {
  const PropertyMap props(properties());
  if (props.has(kPath)) client_->setBridgePath(props.get<std::string>(kPath));
  if (props.has(kSingle)) client_->setUseBridge(!props.get<bool>(kSingle));
  if (props.has(kBridgePort)) {
    const int port = props.get<int>(kBridgePort);
    if (port > 0 && port <= 0xFFFF) client_->setBridgePort(static_cast<uint16_t>(port));
  }
}

}  // namespace zav

#include "api/connection_factory.h"

#include "transport/bluetooth_connection.h"
#include "transport/mock_connection.h"
#include "transport/usb_connection.h"

namespace zav {

const std::string kBluetoothKind = "bluetooth";
const std::string kUsbKind = "usb";
const std::string kMockKind = "mock";

std::unique_ptr<Connection> createConnection(const std::string& kind) {
  if (kind == kBluetoothKind) return std::make_unique<BluetoothConnection>();
  if (kind == kUsbKind) return std::make_unique<UsbConnection>();
  if (kind == kMockKind) return std::make_unique<MockConnection>();
  return nullptr;
}

std::unique_ptr<Connection> createConnection(const std::string& kind, const PropertyMap& properties) {
  std::unique_ptr<Connection> connection = createConnection(kind);
  if (connection) connection->setProperties(properties.values());
  return connection;
}

}  // namespace zav

// Without libbluetooth there is no portable way to list devices; see bluetooth_discovery.h.
#include "platform/bluetooth_discovery.h"

namespace zav::platform {

std::vector<DeviceRecord> discoverDevices() { return {}; }

}  // namespace zav::platform

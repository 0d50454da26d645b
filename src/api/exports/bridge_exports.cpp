// Exported setting of the Bluetooth bridge: where the library finds the rfbridge program.
#include <filesystem>
#include <string>
#include <system_error>

#include "api/exports/boundary.h"
#include "transport/bluetooth_client.h"

using zav::exports::fail;
using zav::exports::guarded;

extern "C" {

ZAV_API bool zav_set_bridge_folder(const char* folder) {
  return guarded(false, [&] {
    const std::string path = folder == nullptr ? std::string() : std::string(folder);
    std::error_code error;
    if (!path.empty() && !std::filesystem::is_directory(path, error)) {
      return fail(false, ("no such folder: " + path).c_str());
    }
    zav::BluetoothClient::setDefaultBridgePath(path);
    return true;
  });
}

}  // extern "C"

// Exported functions that take a device handle.
#include <memory>

#include "api/block_batch.h"
#include "api/connection_factory.h"
#include "api/exports/boundary.h"
#include "api/make_device.h"
#include "driver/identity.h"

using zav::PropertyMap;
using zav::detail::BlockBatch;
using zav::detail::BlockOrder;
using zav::detail::DriverConnection;
using zav::detail::readBlockBatch;
using zav::exports::fail;
using zav::exports::guarded;
using zav::exports::guardedVoid;
using zav::exports::handleOf;
using zav::exports::toHandle;

namespace {

constexpr const char* kNullHandle = "null driver handle";
constexpr const char* kNullArgument = "null argument";
constexpr const char* kRefused = "the device did not take the setting (it must be connected and idle)";

zav_driver* newHandle(const std::string& kind, const PropertyMap& properties, uint32_t sensor) {
  return toHandle(std::make_unique<DriverConnection>(zav::makeDevice(kind, properties), sensor).release());
}

// Runs body on the handle, or returns failure for a null handle or an exception.
template <typename Result, typename Body>
Result onHandle(zav_driver* driver, Result failure, Body&& body) noexcept {
  if (driver == nullptr) return fail(failure, kNullHandle);
  return guarded(failure, [&] { return body(*handleOf(driver)); });
}

template <typename Body>
void onHandleVoid(zav_driver* driver, Body&& body) noexcept {
  if (driver == nullptr) {
    fail(0, kNullHandle);
    return;
  }
  guardedVoid([&] { body(*handleOf(driver)); });
}

// A setting's result, with the reason when the device refused it.
bool accepted(bool result) { return result || fail(false, kRefused); }

int readBatch(zav_driver* driver, const BlockBatch& batch, BlockOrder order) noexcept {
  return onHandle(driver, -1, [&](DriverConnection& d) {
    const char* stopped = nullptr;
    const int read = readBlockBatch(d, batch, order, stopped);
    return stopped != nullptr ? fail(read, stopped) : read;
  });
}

bool versionOf(zav_driver* driver, zav::VersionPart part, uint16_t* major, uint16_t* minor) {
  if (major == nullptr || minor == nullptr) return fail(false, kNullArgument);
  return onHandle(driver, false, [&](DriverConnection& d) {
    return zav::parseVersion(d.driver().version(), part, *major, *minor) ||
           fail(false, "the identity text holds no such version (not connected?)");
  });
}

}  // namespace

extern "C" {

ZAV_API zav_driver* zav_driver_new_usb(int port, uint32_t sensor) {
  return guarded<zav_driver*>(nullptr, [&] {
    PropertyMap properties;
    properties.set<int>("port", port);
    return newHandle(zav::kUsbKind, properties, sensor);
  });
}

ZAV_API zav_driver* zav_driver_new_serial(const char* path, uint32_t sensor) {
  if (path == nullptr) return fail<zav_driver*>(nullptr, kNullArgument);
  return guarded<zav_driver*>(nullptr, [&] {
    PropertyMap properties;
    properties.set<std::string>("path", path);
    return newHandle(zav::kUsbKind, properties, sensor);
  });
}

ZAV_API zav_driver* zav_driver_new_bluetooth(const char* device, uint32_t sensor) {
  if (device == nullptr) return fail<zav_driver*>(nullptr, kNullArgument);
  return guarded<zav_driver*>(nullptr, [&] {
    PropertyMap properties;
    properties.set<std::string>("device", device);
    properties.set<bool>("single", true);
    return newHandle(zav::kBluetoothKind, properties, sensor);
  });
}

ZAV_API zav_driver* zav_driver_new_eeg64(const char* left, const char* right) {
  if (left == nullptr || right == nullptr) return fail<zav_driver*>(nullptr, kNullArgument);
  return guarded<zav_driver*>(nullptr, [&] {
    PropertyMap properties;
    properties.set<std::string>("left", left);
    properties.set<std::string>("right", right);
    return newHandle(zav::kEeg64Kind, properties, zav::kWaterSensor);
  });
}

ZAV_API zav_driver* zav_driver_new_simulated(const char* configurationPath, uint32_t sensor) {
  return guarded<zav_driver*>(nullptr, [&] {
    PropertyMap properties;
    if (configurationPath != nullptr) {
      properties.set<std::string>("configuration", configurationPath);
    } else {
      properties.set<std::string>("preset", "default");
    }
    return newHandle(zav::kMockKind, properties, sensor);
  });
}

ZAV_API void zav_driver_free(zav_driver* driver) {
  guardedVoid([&] { delete handleOf(driver); });
}

ZAV_API void zav_driver_connect(zav_driver* driver) {
  onHandleVoid(driver, [](DriverConnection& d) {
    d.connect();
    if (!d.driver().isConnected()) fail(0, "could not connect to the device");
  });
}

ZAV_API void zav_driver_disconnect(zav_driver* driver) {
  onHandleVoid(driver, [](DriverConnection& d) { d.driver().disconnect(true); });
}

ZAV_API void zav_driver_reconnect(zav_driver* driver) {
  onHandleVoid(driver, [](DriverConnection& d) {
    d.reconnect();
    if (!d.driver().isConnected()) fail(0, "could not reconnect to the device");
  });
}

ZAV_API bool zav_driver_is_connected(zav_driver* driver) {
  return onHandle(driver, false, [](DriverConnection& d) { return d.driver().isConnected(); });
}

ZAV_API bool zav_driver_is_running(zav_driver* driver) {
  return onHandle(driver, false, [](DriverConnection& d) { return d.driver().isRunning(); });
}

ZAV_API bool zav_driver_start(zav_driver* driver) {
  return onHandle(driver, false, [](DriverConnection& d) {
    return d.start() || fail(false, "could not start acquisition (not connected, or the device did not answer)");
  });
}

ZAV_API bool zav_driver_stop(zav_driver* driver) {
  return onHandle(driver, false, [](DriverConnection& d) {
    return d.stop() || fail(false, "could not stop acquisition (not connected, or the device went on streaming)");
  });
}

ZAV_API bool zav_driver_synchronize(zav_driver* driver, uint32_t* roundTrip, int32_t* offset) {
  if (roundTrip == nullptr || offset == nullptr) return fail(false, kNullArgument);
  return onHandle(driver, false, [&](DriverConnection& d) {
    return d.synchronize(*roundTrip, *offset) ||
           fail(false, "the clock offset did not converge (it needs firmware 1.0 or later and a clock mode)");
  });
}

ZAV_API const double* zav_driver_read(zav_driver* driver, uint16_t* sequence, uint16_t* battery,
                                      uint16_t* flags) {
  return onHandle<const double*>(driver, nullptr, [&](DriverConnection& d) -> const double* {
    // The driver writes what it knows also when a read fails (the set's flags 7 for a
    // record that held a gap); what it leaves alone stays as the host had it.
    // No device sends flags 0xFFFF: it tells whether this read set them.
    constexpr uint16_t kUnset = 0xFFFF;
    uint16_t s = sequence != nullptr ? *sequence : 0;
    uint16_t b = battery != nullptr ? *battery : 0;
    uint16_t f = kUnset;
    const double* values = d.read(s, b, f);
    if (sequence != nullptr) *sequence = s;
    if (battery != nullptr) *battery = b;
    if (flags != nullptr && f != kUnset) *flags = f;
    return values != nullptr ? values : fail(nullptr, zav::detail::readFailure(d, f));
  });
}

ZAV_API int zav_driver_read_blocks(zav_driver* driver, int count, double* values, uint32_t capacity,
                                   uint16_t* sequences, uint16_t* batteries, uint16_t* flags) {
  return readBatch(driver, {count, values, capacity, sequences, batteries, flags}, BlockOrder::rows);
}

ZAV_API int zav_driver_read_planar(zav_driver* driver, int count, double* values, uint32_t capacity,
                                   uint16_t* sequences, uint16_t* batteries, uint16_t* flags) {
  return readBatch(driver, {count, values, capacity, sequences, batteries, flags}, BlockOrder::planar);
}

ZAV_API int zav_driver_read_data_size(zav_driver* driver) {
  return onHandle(driver, 0, [](DriverConnection& d) { return d.readDataSize(); });
}

ZAV_API uint16_t zav_driver_get_frequency(zav_driver* driver) {
  return onHandle<uint16_t>(driver, 0, [](DriverConnection& d) { return d.driver().frequency(); });
}

ZAV_API int zav_driver_get_eeg_impedance(zav_driver* driver, uint16_t channel) {
  return onHandle(driver, static_cast<int>(zav::kImpedanceUnknown),
                  [&](DriverConnection& d) { return d.eegImpedance(channel); });
}

ZAV_API uint16_t zav_driver_get_number_of_signals(zav_driver* driver) {
  return onHandle<uint16_t>(driver, 0, [](DriverConnection& d) { return d.signalCount(); });
}

ZAV_API zav_signal* zav_driver_get_signal(zav_driver* driver, uint16_t index) {
  return onHandle<zav_signal*>(driver, nullptr, [&](DriverConnection& d) {
    zav::detail::SignalHandle* signal = d.signal(index);
    return signal != nullptr ? toHandle(signal) : fail<zav_signal*>(nullptr, "signal index beyond the count");
  });
}

ZAV_API bool zav_driver_get_hw_version(zav_driver* driver, uint16_t* major, uint16_t* minor) {
  return versionOf(driver, zav::VersionPart::hardware, major, minor);
}

ZAV_API bool zav_driver_get_fw_version(zav_driver* driver, uint16_t* major, uint16_t* minor) {
  return versionOf(driver, zav::VersionPart::firmware, major, minor);
}

ZAV_API bool zav_driver_has_sd_card_capability(zav_driver* driver) {
  return onHandle(driver, false, [](DriverConnection& d) { return d.driver().hasSdCardCapability(); });
}

ZAV_API bool zav_driver_is_sd_card_enabled(zav_driver* driver) {
  return onHandle(driver, false, [](DriverConnection& d) { return d.driver().isSdCardEnabled(); });
}

ZAV_API bool zav_driver_enable_sd_card(zav_driver* driver, int enable) {
  return onHandle(driver, false, [&](DriverConnection& d) { return accepted(d.driver().enableSdCard(enable != 0)); });
}

ZAV_API char* zav_driver_get_folder(zav_driver* driver, char* buffer, uint32_t size) {
  if (buffer == nullptr) return fail<char*>(nullptr, kNullArgument);
  if (size > 0) buffer[0] = '\0';
  return onHandle(driver, buffer, [&](DriverConnection& d) {
    return zav::detail::copyToHostBuffer(d.driver().folder(), buffer, size);
  });
}

ZAV_API char* zav_driver_get_file(zav_driver* driver, char* buffer, uint32_t size) {
  if (buffer == nullptr) return fail<char*>(nullptr, kNullArgument);
  if (size > 0) buffer[0] = '\0';
  return onHandle(driver, buffer,
                  [&](DriverConnection& d) { return zav::detail::copyToHostBuffer(d.driver().file(), buffer, size); });
}

ZAV_API bool zav_driver_set_folder(zav_driver* driver, const char* name) {
  if (name == nullptr) return fail(false, kNullArgument);
  return onHandle(driver, false, [&](DriverConnection& d) { return accepted(d.driver().setFolder(name)); });
}

ZAV_API bool zav_driver_set_file(zav_driver* driver, const char* name) {
  if (name == nullptr) return fail(false, kNullArgument);
  return onHandle(driver, false, [&](DriverConnection& d) { return accepted(d.driver().setFile(name)); });
}

}  // extern "C"

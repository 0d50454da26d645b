// The driver's whole conversation with a device through the C interface: the first bytes
// choose what the host does (connect, start, read, stop, mode changes, SD-card calls),
// the rest is the device's side (answers, "ERR", "UART ERR", time-outs, a lost link,
// blocks). A successful read must hold exactly zav_driver_read_data_size values.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <memory>

#include "api/driver_connection.h"
#include "api/exports/boundary.h"
#include "api/make_device.h"
#include "common/diagnostics.h"
#include "fuzzed_connection.h"
#include "zav/zav.h"

namespace {

void quiet(const char*, void*) {}

void readOnce(zav_driver* driver, zav::detail::DriverConnection& handle) {
  uint16_t sequence = 0, battery = 0, flags = 0;
  const double* values = zav_driver_read(driver, &sequence, &battery, &flags);
  if (values == nullptr) return;
  const int size = zav_driver_read_data_size(driver);
  if (size < 0 || static_cast<uint32_t>(size) != handle.driver().valuesPerRead()) {
    zav::fuzz::broken("a read holds another number of values than the size says");
  }
  volatile double sum = 0.0;
  for (int i = 0; i < size; ++i) sum = sum + values[i];  // the host reads them all
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  zav::diag::setSink(quiet, nullptr);
  if (size < 1) return 0;
  const std::size_t actions = std::min<std::size_t>(data[0] % 24, size - 1);
  const uint8_t* plan = data + 1;
  auto connection = std::make_unique<zav::fuzz::FuzzedConnection>(plan + actions, size - 1 - actions);
  auto* handle = new zav::detail::DriverConnection(zav::makeDevice(std::move(connection)), 1 + data[0] % 3);
  zav_driver* driver = zav::exports::toHandle(handle);

  zav_driver_connect(driver);
  char text[64];
  for (std::size_t i = 0; i < actions; ++i) {
    const uint8_t action = plan[i];
    switch (action % 12) {
      case 0: zav_driver_connect(driver); break;
      case 1: zav_driver_start(driver); break;
      case 2:
      case 3:
        for (int r = 0; r < 1 + action / 12; ++r) readOnce(driver, *handle);
        break;
      case 4: zav_driver_stop(driver); break;
      case 5: {
        zav_signal* signal = zav_driver_get_signal(driver, static_cast<uint16_t>(action / 12 % 4));
        zav_signal_set_mode(signal, action / 48);
        zav_signal_get_samples(signal);
        zav_signal_get_channels(signal);
        break;
      }
      case 6: zav_driver_enable_sd_card(driver, action & 0x10); break;
      case 7: zav_driver_set_folder(driver, "fuzz"); zav_driver_get_folder(driver, text, sizeof text); break;
      case 8: zav_driver_reconnect(driver); break;
      case 9: zav_driver_disconnect(driver); break;
      case 10:
        for (uint16_t c = 0; c < 70; ++c) zav_driver_get_eeg_impedance(driver, c);
        break;
      default: {
        uint16_t major = 0, minor = 0;
        zav_driver_get_fw_version(driver, &major, &minor);
        zav_driver_get_number_of_signals(driver);
        zav_driver_read_data_size(driver);
      }
    }
  }
  zav_driver_free(driver);
  return 0;
}

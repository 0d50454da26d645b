// Bluetooth devices that BlueZ knows, read from its object tree on the system bus. Only
// what BlueZ already holds is listed (paired, remembered or recently seen devices): an
// inquiry takes seconds and belongs to the user's Bluetooth tools, not to a connect.
#include <systemd/sd-bus.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/bluetooth_discovery.h"

namespace zav::platform {

namespace {

constexpr const char* kService = "org.bluez";
constexpr const char* kDeviceInterface = "org.bluez.Device1";
// Handshake and answer together: a silent bus or BlueZ must not hold a connect up for long.
constexpr uint64_t kCallTimeoutMicroseconds = 2'000'000;

struct BusRelease {
  // No flush: on a bus that never finished its handshake a flush would wait for it.
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
struct MessageRelease {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SlotRelease {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using BusPointer = std::unique_ptr<sd_bus, BusRelease>;
using MessagePointer = std::unique_ptr<sd_bus_message, MessageRelease>;
using SlotPointer = std::unique_ptr<sd_bus_slot, SlotRelease>;

struct PendingCall {
  bool done = false;
  MessagePointer reply;  // empty when the call failed
};

int onReply(sd_bus_message* message, void* userdata, sd_bus_error* /*error*/) {
  auto* pending = static_cast<PendingCall*>(userdata);
  pending->done = true;
  if (!sd_bus_message_is_method_error(message, nullptr)) pending->reply.reset(sd_bus_message_ref(message));
  return 0;
}

uint64_t monotonicMicroseconds() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

// Runs the connection until the call is answered or the limit has passed. sd_bus_call's own
// time-out does not cover the connection's handshake, for which sd-bus waits 90 s: a socket
// that accepts and stays silent would hold a connect up that long.
MessagePointer callWithin(sd_bus* bus, sd_bus_message* call, uint64_t limitMicroseconds) {
  PendingCall pending;
  sd_bus_slot* rawSlot = nullptr;
  if (sd_bus_call_async(bus, &rawSlot, call, onReply, &pending, limitMicroseconds) < 0) return nullptr;
  const SlotPointer slot(rawSlot);  // released before pending, so no late reply can reach it

  const uint64_t deadline = monotonicMicroseconds() + limitMicroseconds;
  while (!pending.done) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0) return nullptr;
    if (processed > 0) continue;
    const uint64_t now = monotonicMicroseconds();
    if (now >= deadline) return nullptr;
    const int waited = sd_bus_wait(bus, deadline - now);
    if (waited < 0 && waited != -EINTR) return nullptr;
  }
  return std::move(pending.reply);
}

// Any malformed part of the answer ends the listing; it never leaves this file.
struct Malformed {};

int check(int result) {
  if (result < 0) throw Malformed{};
  return result;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// BlueZ writes addresses as XX:XX:XX:XX:XX:XX, the most significant byte first.
std::optional<uint64_t> parseAddress(const std::string& text) {
  if (text.size() != 17) return std::nullopt;
  uint64_t address = 0;
  for (size_t offset = 0; offset < text.size(); offset += 3) {
    const int high = hexDigit(text[offset]);
    const int low = hexDigit(text[offset + 1]);
    if (high < 0 || low < 0 || (offset + 2 < text.size() && text[offset + 2] != ':')) return std::nullopt;
    address = (address << 8) | static_cast<uint64_t>(high * 16 + low);
  }
  return address;
}

struct DeviceProperties {
  std::string name;
  std::string alias;
  std::string address;
};

// Reads a variant into text when it holds a string; other contents are skipped.
void readTextVariant(sd_bus_message* reply, std::string& text) {
  char type = 0;
  const char* contents = nullptr;
  check(sd_bus_message_peek_type(reply, &type, &contents));
  if (contents == nullptr || std::strcmp(contents, "s") != 0) {
    check(sd_bus_message_skip(reply, "v"));
    return;
  }
  const char* value = nullptr;
  check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_VARIANT, "s"));
  check(sd_bus_message_read(reply, "s", &value));
  check(sd_bus_message_exit_container(reply));
  text = value;
}

DeviceProperties readDeviceProperties(sd_bus_message* reply) {
  DeviceProperties device;
  check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{sv}"));
  while (check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "sv")) > 0) {
    const char* key = nullptr;
    check(sd_bus_message_read(reply, "s", &key));
    if (std::strcmp(key, "Name") == 0) {
      readTextVariant(reply, device.name);
    } else if (std::strcmp(key, "Alias") == 0) {
      readTextVariant(reply, device.alias);
    } else if (std::strcmp(key, "Address") == 0) {
      readTextVariant(reply, device.address);
    } else {
      check(sd_bus_message_skip(reply, "v"));
    }
    check(sd_bus_message_exit_container(reply));
  }
  check(sd_bus_message_exit_container(reply));
  return device;
}

// One record per distinct name: a device named "A" with the alias "A" is listed once.
void addRecords(const DeviceProperties& device, std::vector<DeviceRecord>& records) {
  const std::optional<uint64_t> address = parseAddress(device.address);
  if (!address) return;
  DeviceRecord record;
  record.endpoint.address = *address;
  if (!device.name.empty()) {
    record.name = device.name;
    records.push_back(record);
  }
  if (!device.alias.empty() && device.alias != device.name) {
    record.name = device.alias;
    records.push_back(record);
  }
}

// The answer of GetManagedObjects: a{oa{sa{sv}}}, object paths to interfaces to properties.
std::vector<DeviceRecord> readManagedObjects(sd_bus_message* reply) {
  std::vector<DeviceRecord> records;
  check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{oa{sa{sv}}}"));
  while (check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "oa{sa{sv}}")) > 0) {
    check(sd_bus_message_skip(reply, "o"));
    check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{sa{sv}}"));
    while (check(sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}")) > 0) {
      const char* interface = nullptr;
      check(sd_bus_message_read(reply, "s", &interface));
      if (std::strcmp(interface, kDeviceInterface) == 0) {
        addRecords(readDeviceProperties(reply), records);
      } else {
        check(sd_bus_message_skip(reply, "a{sv}"));
      }
      check(sd_bus_message_exit_container(reply));
    }
    check(sd_bus_message_exit_container(reply));
    check(sd_bus_message_exit_container(reply));
  }
  check(sd_bus_message_exit_container(reply));
  return records;
}

}  // namespace

std::vector<DeviceRecord> discoverDevices() {
  try {
    // A connection of its own: sd-bus objects are not shared between threads, and the two
    // devices of a set may look up names at the same time.
    sd_bus* rawBus = nullptr;
    if (sd_bus_open_system(&rawBus) < 0) return {};
    const BusPointer bus(rawBus);

    sd_bus_message* rawCall = nullptr;
    if (sd_bus_message_new_method_call(bus.get(), &rawCall, kService, "/",
                                       "org.freedesktop.DBus.ObjectManager", "GetManagedObjects") < 0) {
      return {};
    }
    const MessagePointer call(rawCall);
    const MessagePointer reply = callWithin(bus.get(), call.get(), kCallTimeoutMicroseconds);
    if (!reply) return {};
    return readManagedObjects(reply.get());
  } catch (...) {
    // A malformed answer or no memory: discovery finds nothing rather than failing a connect.
    return {};
  }
}

}  // namespace zav::platform

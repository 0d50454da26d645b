// Name look-up among the devices BlueZ knows. MockBluez runs under bluez_mock_bus.py, whose
// bus holds "ZAV-AMP-1" (00:11:22:33:44:55) and "ZAV-AMP-2" (0A:1B:2C:3D:4E:5F, alias
// "Left cap"); NoBus with a system bus address that names no socket; SilentBus makes its own.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/bluetooth_discovery.h"
#include "transport/bluetooth_client.h"

static std::atomic<int> bluetoothSockets{0};

// Stands in for the C library's socket() in this program to count RFCOMM attempts: on a
// machine without Bluetooth the attempt fails before anything else could show it.
extern "C" int socket(int domain, int type, int protocol) {
  using SocketFunction = int (*)(int, int, int);
  static const auto next = reinterpret_cast<SocketFunction>(dlsym(RTLD_NEXT, "socket"));
  if (domain == AF_BLUETOOTH) ++bluetoothSockets;
  return next(domain, type, protocol);
}

namespace zav {
namespace {

TEST(MockBluez, NameOrAliasGivesTheDeviceOnceAndOnlyOnExactMatch) {
  const struct {
    const char* name;
    std::vector<uint64_t> addresses;
  } cases[] = {{"ZAV-AMP-1", {0x001122334455u}},  // name and alias alike: listed once
               {"ZAV-AMP-2", {0x0A1B2C3D4E5Fu}},
               {"Left cap", {0x0A1B2C3D4E5Fu}},
               {"ZAV-AMP", {}},
               {"zav-amp-1", {}},
               {"ZAV-AMP-1 ", {}}};
  const std::vector<platform::DeviceRecord> devices = platform::discoverDevices();
  for (const auto& c : cases) {
    std::vector<uint64_t> addresses;
    for (const platform::DeviceRecord& record : devices)
      if (record.name == c.name) addresses.push_back(record.endpoint.address);
    EXPECT_EQ(addresses, c.addresses) << c.name;
  }
}

// Connects by name directly, without the bridge, and counts the RFCOMM sockets tried. No adapter
// here (or no such device in range): any attempt itself fails.
int rfcommAttempts(const char* name) {
  BluetoothClient client;
  client.setUseBridge(false);
  bluetoothSockets = 0;
  EXPECT_FALSE(client.connect(name));
  EXPECT_FALSE(client.isOpen());
  return bluetoothSockets;
}

TEST(MockBluez, DirectConnectTriesRfcommForAKnownNameOnly) {
  EXPECT_EQ(rfcommAttempts("Left cap"), 1);
  EXPECT_EQ(rfcommAttempts("ZAV-AMP"), 0);
}

TEST(NoBus, DiscoveryFindsNothingAndConnectByNameFailsWithoutAttempt) {
  EXPECT_TRUE(platform::discoverDevices().empty());
  EXPECT_EQ(rfcommAttempts("ZAV-AMP-1"), 0);
}

// A socket that listens but never accepts leaves the handshake unanswered: sd-bus alone
// would wait 90 s, far beyond this program's ctest time-out.
TEST(SilentBus, DiscoveryGivesUpOnABusThatNeverAnswers) {
  const std::string path = testing::TempDir() + "zav-silent-bus";
  ::unlink(path.c_str());
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);

  // Left in place afterwards: once the socket is gone it names no bus, as in NoBus.
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  EXPECT_TRUE(platform::discoverDevices().empty());
  ::close(listener);
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace zav

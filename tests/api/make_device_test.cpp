#include "api/make_device.h"

#include <gtest/gtest.h>

namespace zav {
namespace {

TEST(MakeDevice, EachKindGetsItsTransportAndADriverThatConnectsOnlyThroughIt) {
  PropertyMap map(PropertyValues{{"device", "left amp"}, {"port", "4"}, {"left", "L"}, {"right", "R"}});
  Device usb = makeDevice("usb", map);
  ASSERT_NE(usb.connection, nullptr);
  EXPECT_EQ(usb.connection->name(), "COM 4");

  // The set makes its own transports (connecting it would start the bridge: the set's own
  // tests do that); an unknown kind has none and never connects.
  Device set = makeDevice("eeg64", map);
  EXPECT_EQ(set.connection, nullptr);
  ASSERT_NE(set.driver, nullptr);
  EXPECT_EQ(set.driver->signals().size(), 6u);
  for (const char* kind : {"USB", ""}) {
    Device device = makeDevice(kind, map);
    EXPECT_EQ(device.connection, nullptr) << kind;
    ASSERT_NE(device.driver, nullptr) << kind;
    device.driver->connect();
    EXPECT_FALSE(device.driver->isConnected()) << kind;
  }
}

}  // namespace
}  // namespace zav

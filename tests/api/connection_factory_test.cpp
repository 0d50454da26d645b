#include "api/connection_factory.h"

#include <gtest/gtest.h>

#include "transport/bluetooth_connection.h"
#include "transport/mock_connection.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

TEST(ConnectionFactory, MakesTheClassOfEachKindWithACopyOfThePropertiesAndNothingForOthers) {
  PropertyMap map;
  map.set<int>("port", 7);
  std::unique_ptr<Connection> usb = createConnection("usb", map);
  map.set<int>("port", 8);
  ASSERT_NE(dynamic_cast<UsbConnection*>(usb.get()), nullptr);
  EXPECT_EQ(usb->name(), "COM 7");
  EXPECT_FALSE(usb->isConnected());
  EXPECT_NE(dynamic_cast<BluetoothConnection*>(createConnection("bluetooth").get()), nullptr);
  EXPECT_NE(dynamic_cast<MockConnection*>(createConnection("mock").get()), nullptr);
  for (const char* other : {"USB", "eeg64", "", "usb "})
    EXPECT_EQ(createConnection(other, map), nullptr) << other;
}

}  // namespace
}  // namespace zav

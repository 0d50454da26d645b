#include "api/connection_factory.h"

#include <gtest/gtest.h>

#include "transport/bluetooth_connection.h"
#include "transport/mock_connection.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

TEST(ConnectionFactory, MakesTheClassOfEachKindAndNothingForOthers) {
  EXPECT_NE(dynamic_cast<UsbConnection*>(createConnection("usb").get()), nullptr);
  EXPECT_NE(dynamic_cast<BluetoothConnection*>(createConnection("bluetooth").get()), nullptr);
  EXPECT_NE(dynamic_cast<MockConnection*>(createConnection("mock").get()), nullptr);
  EXPECT_EQ(createConnection("USB"), nullptr);
  EXPECT_EQ(createConnection("eeg64"), nullptr);
  EXPECT_EQ(createConnection(""), nullptr);
  EXPECT_EQ(createConnection("usb "), nullptr);
}

TEST(ConnectionFactory, GivesTheTransportACopyOfTheProperties) {
  PropertyMap map;
  map.set<int>("port", 7);
  std::unique_ptr<Connection> usb = createConnection("usb", map);
  ASSERT_NE(usb, nullptr);
  map.set<int>("port", 8);
  EXPECT_EQ(usb->properties().at("port"), "7");
  EXPECT_EQ(usb->name(), "COM 7");
  EXPECT_FALSE(usb->isConnected());
  EXPECT_EQ(createConnection("nothing", map), nullptr);
}

}  // namespace
}  // namespace zav

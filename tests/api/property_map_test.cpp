// The property map that configures transports, and the transports and devices made by kind name.
#include "common/property_map.h"

#include <gtest/gtest.h>

#include "api/connection_factory.h"
#include "api/make_device.h"
#include "transport/bluetooth_connection.h"
#include "transport/usb_connection.h"

namespace zav {
namespace {

TEST(PropertyMap, TypedReadsParseTheStoredTextLikeAStreamAndBoolsAsNumbers) {
  const struct {
    const char* text;
    int number;
    bool flag;
    const char* word;  // a typed read stops at the first blank; text() takes the value whole
  } cases[] = {{"3", 3, true, "3"},
               {"-12", -12, true, "-12"},
               {"0", 0, false, "0"},
               {"true", 0, false, "true"},
               {"", 0, false, ""},
               {"/dev/my port", 0, false, "/dev/my"},
               {"   leading", 0, false, "leading"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    PropertyMap map(PropertyValues{{"Port", c.text}});
    EXPECT_EQ(map.get<int>("PORT"), c.number);
    EXPECT_EQ(map.get<bool>("port"), c.flag);
    EXPECT_EQ(map.get<std::string>("pOrt"), c.word);
    EXPECT_EQ(map.text("Port"), c.text);
  }
}

TEST(PropertyMap, KeysAreCaseBlindAndValuesAreStoredAsText) {
  PropertyMap map;
  map.set<int>("Port", 3);
  map.set<int>("PORT", -12);
  map.set<bool>("single", true);
  EXPECT_EQ(map.values(), (PropertyValues{{"port", "-12"}, {"single", "1"}}));
  EXPECT_FALSE(map.has("Device"));
  try {
    map.get<std::string>("Device");
    FAIL() << "expected std::invalid_argument";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Device property not in the map");
  }
}

TEST(ConnectionFactory, MakesTheClassOfEachKindWithACopyOfThePropertiesAndNothingForOthers) {
  PropertyMap map;
  map.set<int>("port", 7);
  std::unique_ptr<Connection> usb = createConnection("usb", map);
  map.set<int>("port", 8);
  ASSERT_NE(dynamic_cast<UsbConnection*>(usb.get()), nullptr);
  EXPECT_EQ(usb->name(), "COM 7");
  EXPECT_NE(dynamic_cast<BluetoothConnection*>(createConnection("bluetooth").get()), nullptr);
  for (const char* other : {"USB", "eeg64", "", "usb "})
    EXPECT_EQ(createConnection(other, map), nullptr) << other;
}

TEST(MakeDevice, TheSetMakesItsOwnTransportsAndAnUnknownKindNeverConnects) {
  PropertyMap map(PropertyValues{{"left", "L"}, {"right", "R"}});
  Device set = makeDevice("eeg64", map);
  EXPECT_EQ(set.connection, nullptr);
  ASSERT_NE(set.driver, nullptr);
  EXPECT_EQ(set.driver->signals().size(), 6u);
  Device unknown = makeDevice("USB", map);
  EXPECT_EQ(unknown.connection, nullptr);
  ASSERT_NE(unknown.driver, nullptr);
  unknown.driver->connect();
  EXPECT_FALSE(unknown.driver->isConnected());
}

}  // namespace
}  // namespace zav

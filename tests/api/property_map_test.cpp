#include "common/property_map.h"

#include <gtest/gtest.h>

namespace zav {
namespace {

TEST(PropertyMap, KeysAreCaseInsensitiveAndValuesRoundTripAsText) {
  PropertyMap map;
  map.set<int>("Port", 3);
  EXPECT_TRUE(map.has("PORT"));
  EXPECT_TRUE(map.has("port"));
  EXPECT_EQ(map.get<int>("port"), 3);
  EXPECT_EQ(map.values().at("port"), "3");

  map.set<int>("port", -12);
  EXPECT_EQ(map.get<int>("Port"), -12);

  map.set<bool>("single", true);
  EXPECT_EQ(map.values().at("single"), "1");
  EXPECT_TRUE(map.get<bool>("single"));
  map.set<bool>("single", false);
  EXPECT_FALSE(map.get<bool>("single"));
}

// A typed read of text stops at the first blank, as a stream does; text() takes it whole.
TEST(PropertyMap, TypedTextIsTheFirstWordAndTextIsTheWholeValueFoundCaseBlind) {
  PropertyMap map(PropertyValues{{"Path", "/dev/my port"}});
  EXPECT_EQ(map.text("PATH"), "/dev/my port");
  EXPECT_EQ(map.get<std::string>("path"), "/dev/my");
  EXPECT_THROW(map.text("port"), std::invalid_argument);
  map.set<std::string>("device", "   leading");
  EXPECT_EQ(map.get<std::string>("device"), "leading");
}

TEST(PropertyMap, UnparsableValuesGiveZeroAndBoolsAreNumbers) {
  PropertyMap map;
  map.set<std::string>("port", "COM3");
  EXPECT_EQ(map.get<int>("port"), 0);
  map.set<std::string>("single", "true");
  EXPECT_FALSE(map.get<bool>("single"));
  map.set<std::string>("single", "7");
  EXPECT_TRUE(map.get<bool>("single"));
  map.set<std::string>("empty", "");
  EXPECT_EQ(map.get<std::string>("empty"), "");
}

TEST(PropertyMap, MissingKeyThrowsWithTheCallersSpelling) {
  PropertyMap map;
  EXPECT_FALSE(map.has("Device"));
  try {
    map.get<std::string>("Device");
    FAIL() << "expected std::invalid_argument";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Device property not in the map");
  }
}

}  // namespace
}  // namespace zav

#include "common/property_map.h"

#include <gtest/gtest.h>

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
               {"COM3", 0, false, "COM3"},
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
  EXPECT_THROW(map.text("device"), std::invalid_argument);
  try {
    map.get<std::string>("Device");
    FAIL() << "expected std::invalid_argument";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "Device property not in the map");
  }
}

}  // namespace
}  // namespace zav

// The built-in resources as resources of the test program's own module.
#include <gtest/gtest.h>

#include <string>

#include "platform/Resources.h"
#include "support/TestFiles.h"

namespace {

struct BuiltIn {
  int32_t type;
  int32_t id;
  const char* file;
};

const BuiltIn kBuiltIns[] = {
    {platform::kResourceTypeScript, 136, "midi.lua"},    {platform::kResourceTypeScript, 135, "gui.lua"},
    {platform::kResourceTypeImage, 120, "buttons.png"},  {platform::kResourceTypeImage, 121, "bgtile.png"},
    {platform::kResourceTypeImage, 122, "buttons_n.png"}, {platform::kResourceTypeImage, 123, "bgtile_n.png"},
};

TEST(Win32Resources, EachHoldsItsFileFollowedByAZeroByteOutsideItsSize) {
  for (const BuiltIn& builtIn : kBuiltIns) {
    std::string expected = testsupport::readFile(std::string(QUORVELLA_SOURCE_DIR) + "/resources/" + builtIn.file);
    ASSERT_FALSE(expected.empty()) << builtIn.file;
    platform::Resource found;
    ASSERT_TRUE(platform::findResource(builtIn.type, builtIn.id, found)) << builtIn.file;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(found.data), found.size), expected) << builtIn.file;
    EXPECT_EQ(found.data[found.size], 0) << builtIn.file;
  }
}

TEST(Win32Resources, UnknownOnesAreNotFoundAndLeaveTheResultAlone) {
  const unsigned char marker[] = "marker";
  platform::Resource found;
  found.data = marker;
  found.size = 6;
  EXPECT_FALSE(platform::findResource(platform::kResourceTypeScript, 999, found));
  EXPECT_FALSE(platform::findResource(platform::kResourceTypeImage, 135, found));  // id of the other type
  // Numbers beyond 16 bits would name resources by address; the low bits must not count.
  EXPECT_FALSE(platform::findResource(platform::kResourceTypeScript, 0x10000 + 135, found));
  EXPECT_FALSE(platform::findResource(0x10000 + platform::kResourceTypeScript, 135, found));
  EXPECT_FALSE(platform::findResource(platform::kResourceTypeScript, 0, found));
  EXPECT_FALSE(platform::findResource(platform::kResourceTypeScript, -1, found));
  EXPECT_FALSE(platform::findResource(-1, 135, found));
  EXPECT_EQ(found.data, marker);
  EXPECT_EQ(found.size, 6u);
}

}  // namespace

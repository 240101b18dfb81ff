#include "settings/read_limits.h"

#include <gtest/gtest.h>

#include "settings/settings_text.h"

namespace lumatrix {
namespace {

TEST(ReadLimits, TheDefaultSettingsAreTheReadersDefaults) {
  const ResourcePolicy from_settings = read_limits(Settings{}), defaults;
  EXPECT_EQ(from_settings.max_pixels, defaults.max_pixels);
  EXPECT_EQ(from_settings.max_memory, defaults.max_memory);
  EXPECT_EQ(from_settings.max_time, defaults.max_time);
  EXPECT_EQ(from_settings.memory_floor, defaults.memory_floor);
  EXPECT_EQ(from_settings.memory_per_file_byte, defaults.memory_per_file_byte);
}

TEST(ReadLimits, SettingsInTheirUnitsBecomeThePolicyInForce) {
  const ResourcePolicy before = resource_policy();
  Settings s;
  set_setting(s, "pixel_limit", "1000000");
  set_setting(s, "memory_per_image", "64");
  set_setting(s, "time_per_image", "5");
  apply_read_limits(s);
  const ResourcePolicy now = resource_policy();
  set_resource_policy(before);
  EXPECT_EQ(now.max_pixels, 1000000u);
  EXPECT_EQ(now.max_memory, uint64_t{64} << 20);
  // The floor a small file may take stays below the limit for every file.
  EXPECT_EQ(now.memory_floor, uint64_t{64} << 20);
  EXPECT_EQ(now.max_time, std::chrono::seconds(5));

  EXPECT_THROW(set_setting(s, "pixel_limit", "0"), SettingError);
  EXPECT_THROW(set_setting(s, "memory_per_image", "8"), SettingError);
  EXPECT_THROW(set_setting(s, "time_per_image", "0"), SettingError);
}

}  // namespace
}  // namespace lumatrix

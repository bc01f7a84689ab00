// The settings rows and the uninstall key path: what the installation writes, decided without
// a registry.
#include <gtest/gtest.h>

#include <string>

#include "core/settings_table.h"

TEST(SettingsTable, DataFollowsTheDestinationWhereItShould) {
  const auto row = [](std::string_view name) {
    for (const SettingRow& r : settings_rows)
      if (r.value_name == name) return r;
    ADD_FAILURE() << "no row " << name;
    return settings_rows.front();
  };
  const std::string d = "D:\\Other Place\\";
  EXPECT_EQ(settings_rows.size(), 16u);
  EXPECT_EQ(setting_text(row("OpenDirectory"), d), d);
  EXPECT_EQ(setting_text(row("TransformationDirectory"), d), d + "Formula\\");
  EXPECT_EQ(setting_text(row("DefaultParamFile"), d), d + "Parameters\\kv-exam.mpr");
  EXPECT_EQ(setting_text(row("DefaultParamEntry"), d), "Default");  // fixed, not a path
  EXPECT_FALSE(row("WallpaperOptions").is_text());
  EXPECT_EQ(setting_number(row("WallpaperOptions")), 1);
  EXPECT_EQ(setting_number(row("PlaySoundWhenReady")), 1);
  EXPECT_EQ(setting_number(row("StartupFractalOptions")), 3);
}

TEST(SettingsTable, BlocksSplitGeneralAndKeepEnvironmentApart) {
  const auto names = [](SettingsBlock block) {
    std::string joined;
    for (const SettingRow& row : settings_block(block)) {
      EXPECT_EQ(row.group, settings_block(block).front().group) << "a block spans one group";
      joined += std::string(row.value_name) + " ";
    }
    return joined;
  };
  EXPECT_EQ(settings_block(SettingsBlock::directory).size(), 9u);
  EXPECT_EQ(names(SettingsBlock::general_wallpaper), "Wallpaper WallpaperOptions ");
  EXPECT_EQ(names(SettingsBlock::general_sound), "SoundWhenReady PlaySoundWhenReady ");
  EXPECT_EQ(names(SettingsBlock::defaults), "DefaultParamEntry DefaultParamFile ");
  EXPECT_EQ(names(SettingsBlock::environment), "StartupFractalOptions ");
}

TEST(SettingsTable, GroupKeysAndKeysOfTheirOwn) {
  EXPECT_EQ(settings_group_key("Software\\Marbelo", "General"), "Software\\Marbelo\\General");
  EXPECT_EQ(settings_group_key("\\Software\\Marbelo", "General"), "\\Software\\Marbelo\\General");
  EXPECT_EQ(settings_group_key("Software\\Marbelo\\", "General"), "Software\\Marbelo\\General");
  EXPECT_EQ(settings_group_key("", "Environment"), "Environment");

  EXPECT_TRUE(names_own_key("Software\\Marbelo"));
  EXPECT_TRUE(names_own_key("\\Marbelo\\"));
  EXPECT_TRUE(names_own_key(" "));  // odd, but a key below the root all the same
  EXPECT_FALSE(names_own_key(""));
  EXPECT_FALSE(names_own_key("\\"));
  EXPECT_FALSE(names_own_key("\\\\\\"));
  // Read as the registry reads it, up to a NUL.
  EXPECT_FALSE(names_own_key(std::string_view("\0X", 2)));
  EXPECT_FALSE(names_own_key(std::string_view("\\\0X", 3)));
  EXPECT_TRUE(names_own_key(std::string_view("X\0", 2)));
}

TEST(SettingsTable, UninstallKeyPathIsCutAt84Characters) {
  const std::string prefix = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  ASSERT_EQ(prefix.size(), 53u);
  EXPECT_EQ(uninstall_key_path("Marbelo Orbit 2.0"), prefix + "Marbelo Orbit 2.0");

  // The longest product name a header can hold fits exactly.
  const std::string longest(31, 'N');
  EXPECT_EQ(uninstall_key_path(longest), prefix + longest);
  EXPECT_EQ(uninstall_key_path(longest).size(), 84u);

  // Anything longer loses its tail, as the uninstaller's path must too.
  EXPECT_EQ(uninstall_key_path(longest + "XYZ"), prefix + longest);

  // 8-bit characters are kept byte for byte.
  EXPECT_EQ(uninstall_key_path("Orbit \xE9t\xE9"), prefix + "Orbit \xE9t\xE9");
}

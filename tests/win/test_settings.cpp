// The settings step and the uninstall registration against the real registry: every value read
// back by type, size and data, below private keys that are deleted before and after each test.
#include <gtest/gtest.h>

#include <set>

#include "install/settings.h"
#include "registry_test_keys.h"

using namespace regtest;

namespace {

const char settings_path[] = "Software\\MoSetupTests\\Settings\\Marbelo Orbit";
const char uninstall_path[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

SetupHeader header(const std::string& product, const std::string& settings_key) {
  SetupHeader h;
  h.product_name.assign(product);
  h.settings_key.assign(settings_key);
  return h;
}

struct Setting {
  const char* group;
  const char* name;
  RawValue value;
};

std::vector<Setting> expected_settings(const std::string& d) {
  return {
      {"Directories", "AlphaChannelDirectory", sz(d + "Alpha\\")},
      {"Directories", "ColoringDirectory", sz(d + "Formula\\")},
      {"Directories", "ExportDirectory", sz(d + "Export\\")},
      {"Directories", "FormulaDirectory", sz(d + "Formula\\")},
      {"Directories", "FractalDirectory", sz(d + "Fractal\\")},
      {"Directories", "GradientDirectory", sz(d + "Gradient\\")},
      {"Directories", "OpenDirectory", sz(d)},
      {"Directories", "ParameterDirectory", sz(d + "Parameters\\")},
      {"Directories", "TransformationDirectory", sz(d + "Formula\\")},
      {"General", "Wallpaper", sz(d + "Tile.bmp")},
      {"General", "WallpaperOptions", dword(1)},
      {"General", "SoundWhenReady", sz(d + "Click.wav")},
      {"General", "PlaySoundWhenReady", dword(1)},
      {"Defaults", "DefaultParamEntry", sz("Default")},
      {"Defaults", "DefaultParamFile", sz(d + "Parameters\\kv-exam.mpr")},
      {"Environment", "StartupFractalOptions", dword(3)},
  };
}

// Checks that the groups in `written` hold their values for DestDir d and the others none.
void expect_groups(const std::string& key, const std::string& d,
                   const std::set<std::string>& written) {
  for (const Setting& s : expected_settings(d)) {
    const auto value = read_raw(HKEY_CURRENT_USER, key + "\\" + s.group, s.name);
    if (written.count(s.group)) {
      EXPECT_EQ(value, s.value) << s.group << "\\" << s.name;
    } else {
      EXPECT_FALSE(value) << s.group << "\\" << s.name << " should not be written";
    }
  }
}

const std::set<std::string> all_groups = {"Directories", "General", "Defaults", "Environment"};

}  // namespace

TEST(Settings, WritesEveryValueByTypeSizeAndData) {
  const std::string d = "C:\\Program Files\\Marbelo Orbit\\";
  // No key is open when a group starts, so all three spellings name the same keys.
  for (const std::string& key : {std::string(settings_path), "\\" + std::string(settings_path),
                                std::string(settings_path) + "\\"}) {
    SCOPED_TRACE(key);
    ScratchKey scratch(HKEY_CURRENT_USER, settings_path);
    write_settings(d, header("Marbelo Orbit", key));
    expect_groups(settings_path, d, all_groups);
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, scratch / "Directories").size(), 9u);
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, scratch / "General").size(), 4u);
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, scratch / "Defaults").size(), 2u);
    EXPECT_EQ(value_names(HKEY_CURRENT_USER, scratch / "Environment").size(), 1u);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, scratch / "Directories\\Directories"))
        << "a group opened below the previous one";
  }
}

TEST(Settings, ReplacesItsOwnValuesAndKeepsTheApplicationsOthers) {
  ScratchKey scratch(HKEY_CURRENT_USER, settings_path);
  write_settings("C:\\Old\\", header("Marbelo Orbit", settings_path));
  // What the application stored meanwhile, and one of ours changed to another type.
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, scratch / "Directories", "RecentDirectory",
                        sz("D:\\Fractals\\")));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, scratch / "General", "WallpaperOptions", sz("tiled")));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, scratch / "General\\Window", "Left", dword(40)));
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, scratch / "Environment", "LastFractal", dword(9)));

  const std::string d = "D:\\New Place\\Marbelo Orbit\\";
  write_settings(d, header("Marbelo Orbit", settings_path));
  expect_groups(settings_path, d, all_groups);
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, scratch / "Directories", "RecentDirectory"),
            sz("D:\\Fractals\\"));
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, scratch / "General\\Window", "Left"), dword(40));
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, scratch / "Environment", "LastFractal"), dword(9));
}

TEST(Settings, AGroupThatCannotBeOpenedSkipsOnlyItsOwnBlocks) {
  // A key the user may read but not write cannot be opened; Wine enforces the DACL as Windows.
  const std::string d = "C:\\Mo\\";
  const struct {
    const char* locked;
    std::set<std::string> written;
  } cases[] = {
      // Environment follows only from a successful Defaults block.
      {"Defaults", {"Directories", "General"}},
      {"General", {"Directories", "Defaults", "Environment"}},
      {"Directories", {"General", "Defaults", "Environment"}},
      {"Environment", {"Directories", "General", "Defaults"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locked);
    ScratchKey scratch(HKEY_CURRENT_USER, settings_path);
    ASSERT_TRUE(lock_key(HKEY_CURRENT_USER, scratch / c.locked));
    write_settings(d, header("Marbelo Orbit", settings_path));
    expect_groups(settings_path, d, c.written);
    if (std::string(c.locked) == "Defaults") {
      EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, scratch / "Environment")) << "not even made";
    }
  }
}

TEST(Settings, AnEmptyKeyPutsTheGroupsStraightBelowTheRoot) {
  // add_backslash leaves an empty key empty, so the group paths are the bare group names. The
  // prefix is the tests' own, but whatever stood there before is still never touched.
  const std::string groups[] = {"Directories", "General", "Defaults"};
  for (const std::string& g : groups)
    if (key_exists(HKEY_CURRENT_USER, g)) GTEST_SKIP() << g << " exists already";
  if (read_raw(HKEY_CURRENT_USER, "Environment", "StartupFractalOptions"))
    GTEST_SKIP() << "StartupFractalOptions exists already";

  const std::string d = "C:\\Mo\\";
  for (const char* key : {"", "\\"}) {
    SCOPED_TRACE(key);
    write_settings(d, header("Marbelo Orbit", key));
    for (const Setting& s : expected_settings(d))
      EXPECT_EQ(read_raw(HKEY_CURRENT_USER, s.group, s.name), s.value) << s.group << "\\" << s.name;

    for (const std::string& g : groups) delete_tree(HKEY_CURRENT_USER, g);
    HKEY environment;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, KEY_SET_VALUE, &environment) ==
        ERROR_SUCCESS) {
      RegDeleteValueA(environment, "StartupFractalOptions");
      RegCloseKey(environment);
    }
  }
}

TEST(UninstallRegistration, WritesDisplayNameAndTheBareUninstallerPath) {
  const std::string product = "MoSetupTests Orbit";
  ScratchKey key(HKEY_LOCAL_MACHINE, std::string(uninstall_path) + "\\" + product);
  const struct {
    std::string dest;
    std::string command;
  } cases[] = {
      {"C:\\Mo\\", "C:\\Mo\\Uninst.exe"},
      // Blanks and all, without quotation marks; a second installation replaces the first.
      {"C:\\Program Files\\Marbelo Orbit\\", "C:\\Program Files\\Marbelo Orbit\\Uninst.exe"},
  };
  for (const auto& c : cases) {
    register_uninstaller(c.dest, header(product, "Software\\Marbelo"));
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, key.path(), "DisplayName"), sz(product));
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, key.path(), "UninstallString"), sz(c.command));
    EXPECT_EQ(value_names(HKEY_LOCAL_MACHINE, key.path()).size(), 2u);
  }

  // The longest product name a header holds makes a path of exactly 84 characters, not cut.
  const std::string longest = "MoSetupTests Orbit, thirty-one!";
  ASSERT_EQ(longest.size(), 31u);
  ASSERT_EQ(1 + std::string(uninstall_path).size() + 1 + longest.size(), 84u);
  ScratchKey long_key(HKEY_LOCAL_MACHINE, std::string(uninstall_path) + "\\" + longest);
  register_uninstaller("C:\\Mo\\", header(longest, "Software\\Marbelo"));
  EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, long_key.path(), "DisplayName"), sz(longest));
}

TEST(UninstallRegistration, WithoutAKeyNothingIsWrittenAndNothingRaised) {
  // A key the user may not write stands for missing rights to HKEY_LOCAL_MACHINE.
  const std::string product = "MoSetupTests Locked";
  ScratchKey key(HKEY_LOCAL_MACHINE, std::string(uninstall_path) + "\\" + product);
  ASSERT_TRUE(lock_key(HKEY_LOCAL_MACHINE, key.path()));
  EXPECT_NO_THROW(register_uninstaller("C:\\Mo\\", header(product, "Software\\Marbelo")));
  EXPECT_TRUE(value_names(HKEY_LOCAL_MACHINE, key.path()).empty());

  // An empty product name would name the list's own key, which holds every program's entry.
  const auto before = value_names(HKEY_LOCAL_MACHINE, uninstall_path);
  for (const std::string& empty : {std::string(), std::string("\0X", 2)}) {
    EXPECT_NO_THROW(register_uninstaller("C:\\Mo\\", header(empty, "Software\\Marbelo")));
    EXPECT_EQ(value_names(HKEY_LOCAL_MACHINE, uninstall_path), before);
  }
}

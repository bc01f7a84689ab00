// The application's first settings and the uninstall registration, as data: which group each
// value lives in, its type, and how its data follows from the destination folder. The
// installation writes these rows; the installed application reads them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace settings_groups {
inline constexpr char directories[] = "Directories";
inline constexpr char general[] = "General";
inline constexpr char defaults[] = "Defaults";
inline constexpr char environment[] = "Environment";
}  // namespace settings_groups

// How a row's data is made.
enum class SettingKind {
  dest_text,   // REG_SZ: DestDir (ending in "\") followed by `text`
  fixed_text,  // REG_SZ: `text` as it is
  number,      // REG_DWORD: `number`
  flag,        // REG_DWORD: 1 for a non-zero `number`, else 0
};

// The guarded blocks the rows are written in. Each Directories row is a block of its own; the
// General rows come in two blocks so that the sound survives a refused wallpaper; Environment is
// written only after Defaults succeeded.
enum class SettingsBlock { directory, general_wallpaper, general_sound, defaults, environment };

struct SettingRow {
  SettingsBlock block;
  std::string_view group;
  std::string_view value_name;
  SettingKind kind;
  std::string_view text;
  std::int32_t number;

  bool is_text() const { return kind == SettingKind::dest_text || kind == SettingKind::fixed_text; }
};

// Every row in the order it is written.
extern const std::array<SettingRow, 16> settings_rows;

// The rows of one block, in table order.
std::vector<SettingRow> settings_block(SettingsBlock block);

// The REG_SZ data of a text row for a destination folder that ends in "\".
std::string setting_text(const SettingRow& row, std::string_view dest_dir);

// The REG_DWORD data of a number or flag row.
std::int32_t setting_number(const SettingRow& row);

// The key of a settings group, below HKEY_CURRENT_USER.
std::string settings_group_key(std::string_view settings_key, std::string_view group);

// False for a key text that names no key of its own (empty, or backslashes only), read as the
// registry reads it, up to a NUL: such a path names the root or the parent it is appended to,
// whose subkeys and values belong to everyone.
bool names_own_key(std::string_view key);

// Values of the uninstall registration under HKEY_LOCAL_MACHINE.
inline constexpr char uninstall_display_name[] = "DisplayName";
inline constexpr char uninstall_string[] = "UninstallString";

// The path the uninstaller is registered under; the installer and the uninstaller both build it
// here. It is cut to 84 characters, which a product name of at most 31 never reaches.
inline constexpr std::size_t uninstall_key_capacity = 84;
std::string uninstall_key_path(std::string_view product_name);

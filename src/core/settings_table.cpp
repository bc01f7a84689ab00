#include "core/settings_table.h"

#include "core/paths.h"
#include "core/short_string.h"

namespace {

using B = SettingsBlock;
using K = SettingKind;
namespace g = settings_groups;

}  // namespace

// Three folder values share the formula folder: the application keeps colorings,
// formulas and transformations together. Made at compile time: no code runs to build it.
const std::array<SettingRow, 16> settings_rows = {{
    // block                group           value name                 kind          data
    {B::directory,         g::directories, "AlphaChannelDirectory",   K::dest_text,  "Alpha\\", 0},
    {B::directory,         g::directories, "ColoringDirectory",       K::dest_text,  "Formula\\", 0},
    {B::directory,         g::directories, "ExportDirectory",         K::dest_text,  "Export\\", 0},
    {B::directory,         g::directories, "FormulaDirectory",        K::dest_text,  "Formula\\", 0},
    {B::directory,         g::directories, "FractalDirectory",        K::dest_text,  "Fractal\\", 0},
    {B::directory,         g::directories, "GradientDirectory",       K::dest_text,  "Gradient\\", 0},
    {B::directory,         g::directories, "OpenDirectory",           K::dest_text,  "", 0},
    {B::directory,         g::directories, "ParameterDirectory",      K::dest_text,  "Parameters\\", 0},
    {B::directory,         g::directories, "TransformationDirectory", K::dest_text,  "Formula\\", 0},
    {B::general_wallpaper, g::general,     "Wallpaper",               K::dest_text,  "Tile.bmp", 0},
    {B::general_wallpaper, g::general,     "WallpaperOptions",        K::number,     "", 1},
    {B::general_sound,     g::general,     "SoundWhenReady",          K::dest_text,  "Click.wav", 0},
    {B::general_sound,     g::general,     "PlaySoundWhenReady",      K::flag,       "", 1},
    {B::defaults,          g::defaults,    "DefaultParamEntry",       K::fixed_text, "Default", 0},
    {B::defaults,          g::defaults,    "DefaultParamFile",        K::dest_text,  "Parameters\\kv-exam.mpr", 0},
    {B::environment,       g::environment, "StartupFractalOptions",   K::number,     "", 3},
}};

std::vector<SettingRow> settings_block(SettingsBlock block) {
  std::vector<SettingRow> rows;
  for (const SettingRow& row : settings_rows) {
    if (row.block == block) rows.push_back(row);
  }
  return rows;
}

std::string setting_text(const SettingRow& row, std::string_view dest_dir) {
  std::string text = row.kind == SettingKind::dest_text ? std::string(dest_dir) : std::string();
  text += row.text;
  return text;
}

std::int32_t setting_number(const SettingRow& row) {
  return row.kind == SettingKind::flag ? (row.number != 0 ? 1 : 0) : row.number;
}

std::string settings_group_key(std::string_view settings_key, std::string_view group) {
  std::string key = add_backslash(settings_key);
  key += group;
  return key;
}

bool names_own_key(std::string_view key) {
  key = up_to_nul(key);
  return key.find_first_not_of('\\') != key.npos;
}

std::string uninstall_key_path(std::string_view product_name) {
  std::string path = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  path += product_name;
  return ShortString<uninstall_key_capacity>(path).str();
}

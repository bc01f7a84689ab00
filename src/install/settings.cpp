#include "install/settings.h"

#include <exception>

#include "core/settings_table.h"
#include "core/texts.h"
#include "win/registry.h"

namespace {

// One settings step: a single registry object (root HKEY_CURRENT_USER) shared by every block.
// Each block opens its group's key, writes, and closes it again; whatever a block raises is
// dropped, since no setting is worth failing an installation for.
class SettingsWriter {
 public:
  SettingsWriter(const std::string& dest_dir, const SetupHeader& header)
      : dest_dir_(dest_dir), header_(header) {}

  void write_directory_setting(const std::string& value_name, const std::string& text) {
    write_group(settings_groups::directories, [&] { registry_.write_string(value_name, text); });
  }

  // Writes the rows of one block under their group's key; true when every row was written.
  bool write_block(SettingsBlock block) {
    const std::vector<SettingRow> rows = settings_block(block);
    return write_group(rows.front().group, [&] {
      for (const SettingRow& row : rows) write_row(row);
    });
  }

 private:
  template <typename Writes>
  bool write_group(std::string_view group, Writes writes) {
    try {
      // The key text is taken from the header afresh for every block.
      if (!registry_.open_key(settings_group_key(header_.settings_key.str(), group), true))
        return false;
      writes();
      registry_.close_key();
      return true;
    } catch (const std::exception&) {
      // A value refused part-way: close the group's key, or the next group's path would be
      // taken below it instead of from the root.
      registry_.close_key();
      return false;
    }
  }

  void write_row(const SettingRow& row) {
    const std::string name(row.value_name);
    switch (row.kind) {
      case SettingKind::dest_text:
      case SettingKind::fixed_text:
        registry_.write_string(name, setting_text(row, dest_dir_));
        break;
      case SettingKind::number:
        registry_.write_integer(name, setting_number(row));
        break;
      case SettingKind::flag:
        registry_.write_bool(name, setting_number(row) != 0);
        break;
    }
  }

  const std::string& dest_dir_;
  const SetupHeader& header_;
  Registry registry_;
};

}  // namespace

void write_settings(const std::string& dest_dir, const SetupHeader& header) {
  // An empty settings key is written as given: the groups land straight below
  // HKEY_CURRENT_USER, which is where the application then looks for them. The uninstaller
  // knows better than to delete that root again.
  try {
    SettingsWriter settings(dest_dir, header);
    for (const SettingRow& row : settings_block(SettingsBlock::directory))
      settings.write_directory_setting(std::string(row.value_name), setting_text(row, dest_dir));
    settings.write_block(SettingsBlock::general_wallpaper);
    settings.write_block(SettingsBlock::general_sound);
    if (settings.write_block(SettingsBlock::defaults))
      settings.write_block(SettingsBlock::environment);
  } catch (const std::exception&) {
    // Building a row's text can only fail for want of memory; the settings stay as far as
    // they got.
  }
}

void register_uninstaller(const std::string& dest_dir, const SetupHeader& header) {
  // An empty name would register into the list's own key, beside every other program's entry.
  if (!names_own_key(header.product_name.view())) return;
  Registry registry;
  registry.set_root_key(HKEY_LOCAL_MACHINE);
  // No rights to HKEY_LOCAL_MACHINE: the program stays unregistered, without a word.
  if (!registry.open_key(uninstall_key_path(header.product_name.view()), true)) return;
  registry.write_string(uninstall_display_name, header.product_name.str());
  // The bare path, as the system's list of programs stores it.
  registry.write_string(uninstall_string, dest_dir + texts::uninstaller_name);
}

#include "install/shortcuts.h"

#include <cstring>
#include <optional>

#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "win/files.h"
#include "win/handles.h"
#include "win/message_dialog.h"
#include "win/registry.h"

namespace {

using texts::help_file;
using texts::program_file;
using texts::readme_file;

struct StartMenuRow {
  const char* link_name;  // appended to the folder path as it stands: it starts with "\"
  const char* target_name;
};

constexpr StartMenuRow start_menu_rows[] = {
    {texts::program_link_name, program_file},
    {texts::help_link_name, help_file},
    {texts::readme_link_name, readme_file},
};

std::wstring to_wide(const std::string& text) {
  const int count = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(count > 0 ? count : 1, L'\0');
  if (count > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), count);
  wide.resize(wide.size() - 1);  // the NUL that both calls counted
  return wide;
}

// The default value of the key at path under HKEY_CLASSES_ROOT, or nothing when the key cannot
// be opened. Raises when the value is there but is no text.
std::optional<std::string> default_value_of(Registry& registry, const std::string& path) {
  if (!registry.open_key(path, false)) return std::nullopt;
  std::string value = registry.read_string("");
  registry.close_key();
  return value;
}

}  // namespace

void create_shortcuts(const ShortcutChoice& choice, const std::string& dest_dir,
                      UninstallLogWriter& log, HWND owner) {
  create_shortcuts_using(choice, dest_dir, log,
                         [owner](int csidl) { return special_folder_path(csidl, owner); });
}

void create_shortcuts_using(const ShortcutChoice& choice, const std::string& dest_dir,
                            UninstallLogWriter& log, const FolderLookup& folder_of) {
  if (choice.start_menu_folder) {
    const std::string folder = add_backslash(folder_of(CSIDL_PROGRAMS)) +
                               texts::start_menu_folder_name;
    // An existing folder, from an earlier installation, is used as it is.
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      fatal_create_folder(folder);
    for (const StartMenuRow& row : start_menu_rows)
      create_logged_shortcut(folder + row.link_name, dest_dir + row.target_name, log);
    // After its shortcuts, so the uninstaller finds the folder emptied when it gets there. The
    // date of a folder record is never read.
    log.append(folder, 0.0, true);
  }
  if (choice.desktop) {
    create_logged_shortcut(add_backslash(folder_of(CSIDL_DESKTOPDIRECTORY)) +
                               texts::desktop_link_name,
                           dest_dir + program_file, log);
  }
}

void create_logged_shortcut(const std::string& link, const std::string& target,
                            UninstallLogWriter& log) {
  create_shell_link(link, target);
  // Read back exactly as the uninstaller will read it, so an untouched link compares equal.
  if (const auto date = read_file_date(link)) log.append(link, *date, false);
}

void create_shell_link(const std::string& link, const std::string& target) {
  const IconLocation icon = find_icon_location(target);
  // One apartment per link: the step is short, and nothing else in the program uses COM.
  ComApartment apartment;
  ComPtr<IShellLinkA> shell_link;
  if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                       shell_link.out()) != S_OK)
    return;
  const std::string working_dir(folder_part(target));
  shell_link->SetPath(target.c_str());
  shell_link->SetWorkingDirectory(working_dir.c_str());
  // Also with an empty path, which leaves the choice of icon to the shell.
  shell_link->SetIconLocation(icon.path.c_str(), icon.index);
  ComPtr<IPersistFile> file;
  if (shell_link->QueryInterface(IID_IPersistFile, file.out()) == S_OK)
    file->Save(to_wide(link).c_str(), TRUE);
}

IconLocation find_icon_location(const std::string& target) {
  if (has_own_icon(target)) return {target, 0};
  // The icon is a nicety: a file type that is missing, half registered or unreadable leaves the
  // icon to the shell and never stops the installation.
  // Without an extension the lookup would start at a key named "" below HKEY_CLASSES_ROOT.
  const std::string_view ext = extension_of(target);
  if (ext.empty()) return {};
  try {
    Registry registry;
    registry.set_root_key(HKEY_CLASSES_ROOT);
    const auto file_class = default_value_of(registry, "\\" + std::string(ext));
    // An extension key without a class names no file type to take the icon from.
    if (!file_class || file_class->empty()) return {};
    const auto value = default_value_of(registry, "\\" + *file_class + "\\DefaultIcon");
    if (!value) return {};
    return parse_default_icon(*value);
  } catch (const std::exception&) {
    return {};
  }
}

std::string special_folder_path(int csidl, HWND owner) {
  // Without the allocator the item list could not be freed, so nothing is asked.
  ComPtr<IMalloc> allocator;
  if (SHGetMalloc(reinterpret_cast<IMalloc**>(allocator.out())) != S_OK) return {};
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &items)) || items == nullptr) return {};
  const ShellAllocation free_items(allocator.get(), items);  // freed before the allocator goes
  char buffer[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(items, buffer)) return {};
  return std::string(buffer, strnlen(buffer, MAX_PATH));
}

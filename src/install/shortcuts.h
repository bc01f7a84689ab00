// The Start-menu folder with its three shortcuts and the desktop shortcut, each logged for
// the uninstaller.
#pragma once

#include <windows.h>
#include <shlobj.h>  // the CSIDL numbers of the special folders

#include <functional>
#include <string>

#include "core/icon_location.h"
#include "core/uninstall_log.h"

struct ShortcutChoice {
  bool start_menu_folder = true;  // the Icon page's "Create a folder in the Start Menu"
  bool desktop = true;            // and its "Create a shortcut on the desktop"
};

// Creates what the choice asks for, appending records to the open log: the three Start-menu
// shortcuts, then the Start-menu folder, then the desktop shortcut. dest_dir ends in "\". owner
// is the window the shell's folder queries are made for. A Start-menu folder that cannot be
// created is a fatal stop; errors of the log's stream pass to the caller.
void create_shortcuts(const ShortcutChoice& choice, const std::string& dest_dir,
                      UninstallLogWriter& log, HWND owner);

// The same with the special folders (by CSIDL) answered by folder_of, asked only for what the
// choice needs. Installation passes the shell's answer; tests pass folders of their own.
using FolderLookup = std::function<std::string(int csidl)>;
void create_shortcuts_using(const ShortcutChoice& choice, const std::string& dest_dir,
                            UninstallLogWriter& log, const FolderLookup& folder_of);

// Creates the link and logs it with the date read back from the saved file. A link that was not
// saved (no file there afterwards) is left out of the log: there is nothing for the uninstaller
// to remove, and a record of a missing file would make it report a failure. So is one whose
// date cannot be read back (outside what a DOS date holds): the uninstaller could never find
// it unchanged.
void create_logged_shortcut(const std::string& link, const std::string& target,
                            UninstallLogWriter& log);

// Saves a shell link at link (replacing a file there) with target as its path, the target's
// folder as working directory and find_icon_location(target) as icon. Reports nothing: a link
// the shell refuses is simply not written.
void create_shell_link(const std::string& link, const std::string& target);

// ".exe" and ".ico" targets give themselves; others the DefaultIcon of their file type under
// HKEY_CLASSES_ROOT, or an empty path when there is none or it cannot be read.
IconLocation find_icon_location(const std::string& target);

// The file-system path of a special folder (CSIDL), or "" when the shell has none.
std::string special_folder_path(int csidl, HWND owner);

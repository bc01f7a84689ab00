// The application's first settings under HKEY_CURRENT_USER and the entry in the system's list
// of installed programs under HKEY_LOCAL_MACHINE.
#pragma once

#include <string>

#include "core/setup_data.h"

// Writes every settings group below the header's SettingsKey blind: a failing block is dropped
// and the next one follows; Environment only after Defaults succeeded. An empty SettingsKey puts
// the groups straight below HKEY_CURRENT_USER. Never raises.
void write_settings(const std::string& dest_dir, const SetupHeader& header);

// Registers DestDir + "Uninst.exe" as the uninstaller. A key that cannot be opened, or an empty
// product name (up to its first NUL, as the registry reads it), means no registration and no
// error; a value the registry refuses raises "Failed to set data for '%s'".
void register_uninstaller(const std::string& dest_dir, const SetupHeader& header);

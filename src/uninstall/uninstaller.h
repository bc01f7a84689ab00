// Uninstall mode: the program runs as "Uninst.exe" from the installation folder, without a
// window of its own, and talks to the user through message dialogs only.
#pragma once

#include <cstdint>

#include "core/uninstall_log.h"

// Reads "Uninst.dat" beside the executable, asks for confirmation (No ends the process at once
// with exit code 0), removes the logged items and the product's registry keys, deletes the log,
// reports the outcome, and starts a hidden batch file that deletes the executable and the
// installation folder once this process has ended. Any failure on the way (the log missing or
// cut short, the batch file not written) ends it with the warning that the log could not be
// read; what was done until then stays done.
void run_uninstaller();

// Works through record_count records of the log, in order (none when it is 0 or negative): a
// folder is removed when it is empty; a file is deleted when it still carries its logged date,
// or whatever its date when its extension is ".gid". True when every record's item went.
// Raises "Stream read error" when the log ends before record_count records.
bool remove_logged_items(UninstallLogReader& log, std::int32_t record_count);

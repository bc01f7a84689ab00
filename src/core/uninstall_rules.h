// What the uninstaller decides without the operating system: the registry keys of the
// product's file types, and the batch file that removes the uninstaller itself once its process
// has ended (a running program cannot delete its own file).
#pragma once

#include <array>
#include <string>
#include <string_view>

// The extensions of the product's documents. For each, the uninstaller deletes two keys below
// HKEY_CLASSES_ROOT, in this order.
inline constexpr std::array<std::string_view, 8> file_type_extensions = {
    "mal", "mcl", "mdr", "mfm", "mfr", "mgr", "mpr", "mxf"};

// "\.mal": the extension's own key.
std::string extension_key(std::string_view extension);
// "\MO_mal_File": the file class the extension points at.
std::string file_class_key(std::string_view extension);

inline constexpr char uninstall_batch_name[] = "KVUNINST.BAT";

// Where the batch file goes: the Windows folder with a backslash, then the batch's name. An
// empty folder leaves the bare name, in the current folder.
std::string uninstall_batch_path(std::string_view windows_folder);

// The installation folder as the batch's "rd" names it: the program folder without its final
// backslash (one only).
std::string folder_to_remove(std::string_view program_folder);

// How often the batch tries to delete the executable, a second apart, before it gives up: a
// read-only or otherwise undeletable executable must not keep a hidden process alive forever.
inline constexpr int uninstall_batch_tries = 60;

// The batch file's bytes, every line ending in CR LF. It deletes the executable, retrying
// until the uninstaller's process has let go of it (at most `tries` times), then removes the
// folder, which succeeds only once it is empty, and finally deletes itself. Paths are quoted,
// and every "%" in them doubled, which the batch reads back as one "%" rather than as the start
// of a variable.
std::string uninstall_batch_text(std::string_view exe_path, std::string_view folder,
                                 std::string_view batch_path, int tries = uninstall_batch_tries);

// Path rules of the 8-bit Windows paths the installer writes and the uninstaller reads back.
// Pure text operations: nothing here touches a file system.
#pragma once

#include <string>
#include <string_view>

// text + "\" unless text is empty or already ends in "\".
std::string add_backslash(std::string_view text);

// Everything up to and including the last "\" or ":"; empty when there is neither.
std::string_view folder_part(std::string_view path);

// The rest after folder_part.
std::string_view file_name_part(std::string_view path);

// The file-name part from its last "." on, the dot included; empty when it has no dot.
std::string_view extension_of(std::string_view path);

// Equal when the texts differ at most in the case of the 26 ASCII letters; other bytes,
// accented letters included, must match exactly.
bool same_text_ignoring_case(std::string_view a, std::string_view b);

// A text as the Windows functions read it: up to its first NUL.
std::string_view up_to_nul(std::string_view text);

// A name from a data file that, appended to a folder path, could name something outside that
// folder: one holding "\", "/" or ":", or one that is "." or "..".
bool escapes_folder(std::string_view name);

// A name under which Windows opens a device instead of a file: CON, PRN, AUX, NUL, COM1 to
// COM9 and LPT1 to LPT9 (also with the superscript digits 1, 2 and 3 of Windows-1252), in any
// letter case, whatever follows a dot and with blanks before it.
bool names_device(std::string_view name);

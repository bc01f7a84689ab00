// The destination folder: the proposed default, the check that accepts the Dest page's text
// (and creates the folder), and the folder browser behind its Browse button.
#pragma once

#include <windows.h>

#include <string>

// The system's program-files folder, or "C:\" when the registry does not name one.
std::string program_files_dir();

// The check made when the user leaves the Dest page with typed in its folder field. Creates the
// folder (one level: its parent must exist) or, when it exists already, asks whether to use it;
// a text that cannot name a folder here gets the "Could not create the folder" warning. On
// success dest_dir becomes the folder with one trailing "\" and the result is true; on refusal
// dest_dir is left as it was, since nothing may use it before a check has succeeded. created
// tells whether this check made the folder (false for one that existed).
bool leave_dest_page(const std::string& typed, std::string& dest_dir, bool& created);

// The shell's folder browser, modal to owner, opened on initial. Returns the chosen folder's
// path (a drive root with its "\", any other folder without one), or initial when the user
// cancelled or chose something that has no file-system path.
std::string browse_for_folder(HWND owner, const std::string& title, const std::string& initial);

// The browser's callback: selects the initial folder (data, a C string) when the dialog opens
// and shows the path of each new selection in its status line. Always 0.
int CALLBACK browse_callback(HWND dialog, UINT message, LPARAM param, LPARAM data);

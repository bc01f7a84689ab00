// What the Dest page's check decides about the typed destination before it asks the file
// system: which folder to create, and whether the text can name a folder at all.
#pragma once

#include <string>
#include <string_view>

// The folder the check creates: the text less one trailing "\" (only one: "D:\Apps\\" still
// ends in one, which the folder creation accepts).
std::string folder_to_create(std::string_view typed);

// A full path: a drive letter, a colon and a separator ("C:\Apps"), or a network or device
// path ("\\server\share\Apps"). "Apps", "..\Apps", "\Apps" and "C:Apps" are not: they depend
// on the current folder (of a drive), which is wherever Setup happened to be started.
bool is_full_path(std::string_view typed);

// Whether the check may try to create the folder at all: a full path none of whose names ends
// in a blank or a period. Windows drops such an ending from the last name when it creates the
// folder but keeps it in the middle of a path, so "C:\Apps " would create "C:\Apps" while
// every file later went to the missing "C:\Apps \".
bool acceptable_destination(std::string_view typed);

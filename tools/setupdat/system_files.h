// The file operations whose failures the user must read in the system's own terms, made by the
// system's own calls. On Windows the C library and std::filesystem blur the reasons: a file
// open in another program comes out as "Permission denied", or from a rename as "Input/output
// error". Here each failure is read from GetLastError right where it happens.
//
// Apart from file_io, because <windows.h> declares a function OpenFile that would shadow the
// tool's class of that name.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace system_files {

// Opens a file as std::fopen does with mode "rb", or with "wbx" creates it only where no file of
// that name exists (O_EXCL, CREATE_NEW), so a new file never replaces another. Null when it
// fails, with the reason in reason.
std::FILE* open(const std::filesystem::path& path, const char* mode, std::string& reason);

// Gives the file from the name to, replacing a file there; the reason when it fails.
std::optional<std::string> rename(const std::filesystem::path& from,
                                  const std::filesystem::path& to);

}  // namespace system_files

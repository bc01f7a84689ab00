// Folders compared as the file system sees them, whatever way the user wrote them.
#pragma once

#include <filesystem>

// The path as the file system resolves it: its nearest existing folder with every link and
// "." or ".." step resolved, followed by the rest of the path (which does not exist yet), made
// plain. So ".", "./", the absolute path and "sub/.." of one folder all give the same path.
std::filesystem::path real_path(const std::filesystem::path& path);

// Whether the real path inner is outer or lies below it, names compared as this system's file
// names compare (without regard to case on Windows).
bool lies_within(const std::filesystem::path& inner, const std::filesystem::path& outer);

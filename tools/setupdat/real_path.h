// Folders compared as the file system sees them, whatever way the user wrote them.
#pragma once

#include <filesystem>
#include <optional>

// The path as the file system resolves it: its nearest existing folder with every link and
// "." or ".." step resolved, followed by the rest of the path (which does not exist yet), made
// plain. So ".", "./", the absolute path and "sub/.." of one folder all give the same path.
std::filesystem::path real_path(const std::filesystem::path& path);

// Of the real path real (see real_path) and its existing parents, the first, real itself
// included, that is the folder `folder`: the very same folder, however reached. Folders are
// told apart by what they are, not by their names (device and inode; on Windows volume serial
// number and file index), so a link, a bind mount, a junction, an 8.3 short name or another
// case of a name on a file system that ignores case are all caught. Empty when none is.
std::optional<std::filesystem::path> part_that_is(const std::filesystem::path& real,
                                                  const std::filesystem::path& folder);

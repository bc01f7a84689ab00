// The list and verify commands over a Setup.dat file.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

// Prints the header, the tree, the companions, the trailing bytes and every problem, as text or
// as one JSON object; returns the exit code: 0 when the file conforms, 1 otherwise.
int list_setup(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err);

// Checks the file and, given source_dir, that every companion lies there as a regular file and
// can be read. As text, problems go to err and the verdict to out; as JSON, one object to out
// (whether it conforms, the installer's item count, the problems) and the verdict to err when it
// does not conform. Returns 0 when all is well, 1 otherwise.
int verify_setup(const std::filesystem::path& file,
                 const std::optional<std::filesystem::path>& source_dir, bool json,
                 std::ostream& out, std::ostream& err);

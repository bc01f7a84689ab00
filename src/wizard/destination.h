// The destination folder: the proposed default, and (with the Dest page's check) where the
// installation goes.
#pragma once

#include <string>

// The system's program-files folder, or "C:\" when the registry does not name one.
std::string program_files_dir();

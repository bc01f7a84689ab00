#include "wizard/destination.h"

#include "core/failure.h"
#include "core/texts.h"
#include "startup/registry.h"

std::string program_files_dir() {
  std::string folder = texts::fallback_program_files;
  Registry registry;
  registry.set_root_key(HKEY_LOCAL_MACHINE);
  try {
    if (registry.open_key("\\Software\\Microsoft\\Windows\\CurrentVersion", false)) {
      // A missing, empty or non-text value keeps the fallback: an empty result would turn the
      // proposed destination into a path relative to wherever the program was started.
      std::string value = registry.read_string("ProgramFilesDir");
      if (!value.empty()) folder = std::move(value);
    }
  } catch (const Failure&) {
  }
  return folder;
}

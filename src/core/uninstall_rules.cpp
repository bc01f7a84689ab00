#include "core/uninstall_rules.h"

#include "core/paths.h"

std::string extension_key(std::string_view extension) {
  std::string key = "\\.";
  key += extension;
  return key;
}

std::string file_class_key(std::string_view extension) {
  std::string key = "\\MO_";
  key += extension;
  key += "_File";
  return key;
}

std::string uninstall_batch_path(std::string_view windows_folder) {
  return add_backslash(windows_folder) + uninstall_batch_name;
}

std::string folder_to_remove(std::string_view program_folder) {
  if (!program_folder.empty() && program_folder.back() == '\\') program_folder.remove_suffix(1);
  return std::string(program_folder);
}

namespace {

// A path between double quotes as a batch file must spell it. Inside quotes "&", "^", "<" and
// the like are plain characters; "%" is not, and a path cannot hold a quote.
std::string quoted(std::string_view path) {
  std::string text = "\"";
  for (char c : path) {
    if (c == '%') text += '%';
    text += c;
  }
  text += '"';
  return text;
}

}  // namespace

std::string uninstall_batch_text(std::string_view exe_path, std::string_view folder,
                                 std::string_view batch_path, int tries) {
  const std::string exe = quoted(exe_path);
  // ping to the loopback address with two echoes is the one pause every Windows version's
  // command interpreter has: it takes a second.
  const std::string lines[] = {
      "@echo off",
      "set tries=0",
      ":loop",
      "del " + exe,
      "if not exist " + exe + " goto done",
      "set /a tries+=1",
      "if %tries% geq " + std::to_string(tries) + " goto done",
      "ping -n 2 127.0.0.1 >nul",
      "goto loop",
      ":done",
      "rd " + quoted(folder),
      "del " + quoted(batch_path),
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

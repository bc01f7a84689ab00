#include "setupdat/messages.h"

#include <cstring>

#include "setupdat/display.h"
#include "setupdat/file_io.h"

std::string quoted(const fs::path& path) { return quoted_text(utf8_of(path)); }

std::string quoted_text(std::string_view utf8) { return "'" + controls_escaped(utf8) + "'"; }

std::string system_reason(int errno_value) {
  return std::error_code(errno_value, std::generic_category()).message();
}

std::string cannot(std::string_view action, const fs::path& path, std::string_view reason) {
  return "cannot " + std::string(action) + " " + quoted(path) + ": " + std::string(reason);
}

std::string counted(std::uint64_t count, std::string_view thing) {
  return std::to_string(count) + " " + std::string(thing) + (count == 1 ? "" : "s");
}

std::string nothing_changed(const fs::path& folder) {
  return "nothing was changed: " + quoted(folder) + " is as it was";
}

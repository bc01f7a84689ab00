#include "setupdat/rules.h"

#include <algorithm>

#include "core/destination_rules.h"
#include "core/paths.h"
#include "setupdat/display.h"

std::optional<std::string> windows_name_problem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name is '" + std::string(name) + "'";
  for (const char ch : name) {
    const auto b = static_cast<std::uint8_t>(ch);
    if (b < 32) return "the name holds the control character 0x" + hex_of(&b, 1);
    if (std::string_view("<>:\"/\\|?*").find(ch) != std::string_view::npos)
      return std::string("the name holds the character '") + ch + "'";
  }
  if (name.back() == ' ') return "the name ends in a space";
  if (name.back() == '.') return "the name ends in a dot";
  if (names_device(name)) return "the name is reserved for a device on Windows";
  return std::nullopt;
}

std::string fold_ascii_case(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

std::string fold_case(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto b = static_cast<std::uint8_t>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
      c = static_cast<char>(b + 0x20);
    } else if (b == 0x8A || b == 0x8C || b == 0x8E) {  // Š Œ Ž, whose partners lie 0x10 above
      c = static_cast<char>(b + 0x10);
    } else if (b == 0x9F) {  // Ÿ and ÿ
      c = '\xFF';
    }
  }
  return out;
}

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

std::string quoted_name(std::string_view name) { return "'" + shown(name) + "'"; }

}  // namespace

std::optional<std::string> destination_problem(std::string_view dest) {
  if (!is_full_path(dest))
    return std::string("is not a full path: the installer takes a folder on a drive (C:\\...) ") +
           "or on a server share (\\\\server\\share\\...)";
  // The names after "C:\" or the leading "\\" (a server and a share are names too).
  std::size_t start = dest[1] == ':' ? 3 : 2;
  while (start <= dest.size()) {
    std::size_t end = start;
    while (end < dest.size() && !is_separator(dest[end])) ++end;
    const std::string_view name = dest.substr(start, end - start);
    // "." and ".." are steps through the tree, as the installer takes them.
    if (!name.empty() && name != "." && name != "..")
      if (const auto problem = windows_name_problem(name))
        return "is refused at " + quoted_name(name) + ": " + *problem;
    start = end + 1;
  }
  if (!acceptable_destination(dest)) return std::string("is refused by the installer");
  return std::nullopt;
}

std::optional<std::string> registry_key_problem(std::string_view key) {
  const std::string form = ": it is a path below HKEY_CURRENT_USER, names joined by single "
                           "backslashes";
  if (key.empty()) return std::string("is empty");
  if (key.front() == '\\') return "begins with a backslash" + form;
  if (key.back() == '\\') return "ends in a backslash" + form;
  for (std::size_t start = 0; start <= key.size();) {
    const std::size_t end = std::min(key.find('\\', start), key.size());
    const std::string_view name = key.substr(start, end - start);
    if (name.empty()) return "holds two backslashes in a row" + form;
    if (name.size() > rules::max_key_name_length)
      return "holds a name of " + std::to_string(name.size()) + " characters, over " +
             std::to_string(rules::max_key_name_length);
    start = end + 1;
  }
  for (const char ch : key) {
    const auto b = static_cast<std::uint8_t>(ch);
    if (b < 32 || b == 127) return "holds the control character 0x" + hex_of(&b, 1);
  }
  return std::nullopt;
}

#include "core/destination_rules.h"

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string folder_to_create(std::string_view typed) {
  if (!typed.empty() && typed.back() == '\\') typed.remove_suffix(1);
  return std::string(typed);
}

bool is_full_path(std::string_view typed) {
  if (typed.size() >= 3 && is_ascii_letter(typed[0]) && typed[1] == ':' && is_separator(typed[2]))
    return true;
  // Two separators and a server or device name; "\\" alone would reach the current drive's root.
  return typed.size() >= 3 && is_separator(typed[0]) && is_separator(typed[1]) &&
         !is_separator(typed[2]);
}

bool acceptable_destination(std::string_view typed) {
  if (!is_full_path(typed)) return false;
  std::size_t start = 0;
  while (start <= typed.size()) {
    std::size_t end = start;
    while (end < typed.size() && !is_separator(typed[end])) ++end;
    const std::string_view name = typed.substr(start, end - start);
    // "." and ".." are steps through the tree, not names.
    if (!name.empty() && name != "." && name != ".." && (name.back() == ' ' || name.back() == '.'))
      return false;
    start = end + 1;
  }
  return true;
}

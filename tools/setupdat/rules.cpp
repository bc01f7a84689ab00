#include "setupdat/rules.h"

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

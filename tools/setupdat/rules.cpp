#include "setupdat/rules.h"

#include <array>

#include "core/paths.h"
#include "setupdat/display.h"

namespace {

bool is_device_name(std::string_view name) {
  // Windows reserves the device names whatever follows the first dot.
  const std::string_view base = name.substr(0, name.find('.'));
  static constexpr std::array<std::string_view, 4> plain = {"CON", "PRN", "AUX", "NUL"};
  for (const auto device : plain) {
    if (same_text_ignoring_case(base, device)) return true;
  }
  if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
  const std::string_view stem = base.substr(0, 3);
  return same_text_ignoring_case(stem, "COM") || same_text_ignoring_case(stem, "LPT");
}

}  // namespace

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
  if (is_device_name(name)) return "the name is reserved for a device on Windows";
  return std::nullopt;
}

std::string fold_ascii_case(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

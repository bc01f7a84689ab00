#include "core/paths.h"

std::string add_backslash(std::string_view text) {
  std::string result(text);
  if (!result.empty() && result.back() != '\\') result += '\\';
  return result;
}

std::string_view folder_part(std::string_view path) {
  const auto cut = path.find_last_of("\\:");
  return cut == std::string_view::npos ? std::string_view{} : path.substr(0, cut + 1);
}

std::string_view file_name_part(std::string_view path) {
  return path.substr(folder_part(path).size());
}

std::string_view extension_of(std::string_view path) {
  const std::string_view name = file_name_part(path);
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

static char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool same_text_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

std::string_view up_to_nul(std::string_view text) { return text.substr(0, text.find('\0')); }

bool escapes_folder(std::string_view name) {
  return name == "." || name == ".." || name.find_first_of("\\/:") != std::string_view::npos;
}

bool names_device(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL"})
    if (same_text_ignoring_case(base, device)) return true;
  if (base.size() != 4) return false;
  const std::string_view stem = base.substr(0, 3);
  if (!same_text_ignoring_case(stem, "COM") && !same_text_ignoring_case(stem, "LPT")) return false;
  const char digit = base[3];
  return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

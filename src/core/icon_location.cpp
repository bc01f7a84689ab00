#include "core/icon_location.h"

#include "core/paths.h"

bool has_own_icon(std::string_view target) {
  const std::string_view ext = extension_of(target);
  return same_text_ignoring_case(ext, ".exe") || same_text_ignoring_case(ext, ".ico");
}

static bool is_blank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

static int digit_value(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> parse_icon_index(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const bool hex = !text.empty() && text[0] == '$';
  if (hex) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;

  // Decimal may reach 2^31 (for -2147483648); hex any 32-bit pattern. Checked per digit, so a
  // long run of digits cannot wrap around unnoticed.
  const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  const unsigned base = hex ? 16 : 10;
  std::uint64_t magnitude = 0;
  for (char c : text) {
    const int digit = digit_value(c, hex);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > limit) return std::nullopt;
  }
  // Two's complement in unsigned arithmetic: defined for every pattern, INT32_MIN included.
  std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

IconLocation parse_default_icon(std::string_view value) {
  const std::string_view trimmed = trim_blanks(value);
  IconLocation location{std::string(trimmed), 0};
  const auto comma = trimmed.find(',');
  if (comma == std::string_view::npos) return location;
  if (const auto index = parse_icon_index(trim_blanks(trimmed.substr(comma + 1)))) {
    location.path.resize(comma);
    location.index = *index;
  }
  return location;
}

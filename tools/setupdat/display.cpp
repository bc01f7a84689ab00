#include "setupdat/display.h"

#include <charconv>
#include <cstdio>

#include "core/bytes.h"
#include "core/dates.h"
#include "setupdat/codepage.h"

// Windows-1252 and UTF-8 agree on the bytes below 128, so escaping after the conversion
// treats both kinds of text alike.
std::string shown(std::string_view cp1252) { return controls_escaped(cp1252_to_utf8(cp1252)); }

std::string controls_escaped(std::string_view utf8) {
  std::string out;
  for (const char ch : utf8) {
    const auto b = static_cast<std::uint8_t>(ch);
    if (b < 32 || b == 127) {
      out += "\\x" + hex_of(&b, 1);
    } else {
      out += ch;
    }
  }
  return out;
}

std::string hex_of(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

std::string double_hex(double value) {
  std::uint8_t bytes[8];
  le::put_double(bytes, value);
  return hex_of(bytes, sizeof bytes);
}

std::string number_text(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string date_text(double value) {
  const auto civil = split_datetime(value);
  return civil ? format_civil(*civil) : "no date";
}

// Where a shortcut takes its icon from, decided from texts alone: the target's own extension,
// or the DefaultIcon value of its file type ("path" or "path,index").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct IconLocation {
  std::string path;  // may be empty: the shell then shows the target's usual icon
  std::int32_t index = 0;
  bool operator==(const IconLocation&) const = default;
};

// True for targets that hold their own icons, ".exe" and ".ico" (ASCII case ignored); their
// icon location is the target itself, index 0.
bool has_own_icon(std::string_view target);

// text without the bytes of code 32 or less (blanks, tabs, line ends) at either end. Bytes of
// 128 and more are characters of the code page and stay.
std::string_view trim_blanks(std::string_view text);

// An icon index: an optional "+" or "-", then decimal digits, or "$" and hexadecimal digits.
// Empty when text is anything else, blanks included.
// - Decimal must lie in the signed 32-bit range.
// - Hexadecimal is a 32-bit pattern, so "$FFFFFFFE" is -2, the form in which negative
//   indexes (resource numbers) are written in hex; at most 32 significant bits, leading zeros
//   free. A sign before "$" negates that pattern, so "-$2" is -2 as well.
std::optional<std::int32_t> parse_icon_index(std::string_view text);

// The location a DefaultIcon value names. The value is trimmed; the text after its first comma,
// trimmed, is the index, and the text before that comma the path, kept as it stands (a blank
// before the comma stays). When that text is no index, the whole trimmed value is the path and
// the index is 0: some values hold a comma inside the file name.
IconLocation parse_default_icon(std::string_view value);

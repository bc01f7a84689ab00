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

namespace {

// What a short name holds for a character outside ASCII: one mark for all of them.
constexpr char outside_ascii = '\x80';
// Ends the key of a base that goes on beyond the six characters the key keeps.
constexpr char base_goes_on = '\x01';

bool is_short_name_character(char c) {
  const auto b = static_cast<std::uint8_t>(c);
  return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
         std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

// The character a short name holds for c of a long name.
char short_name_character(char c) {
  if (static_cast<std::uint8_t>(c) >= 0x80) return outside_ascii;
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
  return is_short_name_character(c) ? c : '_';
}

// A name's base and extension at its first dot, for names that may hold one dot only.
struct Parts {
  std::string_view base, extension;
  bool dot = false;
};
Parts split_at_dot(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return {name, {}, false};
  return {name.substr(0, dot), name.substr(dot + 1), true};
}

// Whether the parts make an 8.3 name: a base of one to eight characters, an extension of one
// to three after a dot, no second dot.
bool fits_8_3(const Parts& parts, std::size_t base_limit = 8) {
  return !parts.base.empty() && parts.base.size() <= base_limit &&
         (!parts.dot || (!parts.extension.empty() && parts.extension.size() <= 3 &&
                         parts.extension.find('.') == std::string_view::npos));
}

// A name that is its own short name: Windows makes no other for it.
bool is_own_short_name(std::string_view name) {
  const Parts parts = split_at_dot(name);
  if (!fits_8_3(parts)) return false;
  for (const char c : name) {
    if (c != '.' && (static_cast<std::uint8_t>(c) >= 0x80 || short_name_character(c) != c))
      return false;
  }
  return true;
}

// The key a long name abbreviates by: the first three characters of its extension, '|', and the
// first six of its base, as a short name holds them, with base_goes_on after a longer base.
// Empty for a name that gets no short name, or one with no base to make it of.
std::optional<std::string> abbreviation_key(std::string_view name) {
  if (is_own_short_name(name)) return std::nullopt;
  const std::size_t start = name.find_first_not_of(". ");  // leading dots are left out
  if (start == std::string_view::npos) return std::nullopt;
  name.remove_prefix(start);
  const std::size_t dot = name.rfind('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  std::string key;
  for (const char c : extension) {
    if (c != ' ' && key.size() < 3) key += short_name_character(c);
  }
  key += '|';
  const std::size_t base_start = key.size();
  for (const char c : base) {
    if (c == ' ' || c == '.') continue;
    if (key.size() - base_start == 6) {
      key += base_goes_on;
      break;
    }
    key += short_name_character(c);
  }
  if (key.size() == base_start) return std::nullopt;
  return key;
}

}  // namespace

bool has_short_name_form(std::string_view name) {
  const Parts parts = split_at_dot(name);
  if (!fits_8_3(parts)) return false;
  const std::size_t tilde = parts.base.rfind('~');
  if (tilde == std::string_view::npos || tilde == 0 || tilde + 1 == parts.base.size() ||
      parts.base[tilde + 1] == '0')
    return false;
  for (std::size_t i = tilde + 1; i < parts.base.size(); ++i) {
    if (parts.base[i] < '0' || parts.base[i] > '9') return false;
  }
  for (const char c : name) {
    if (c != '.' && !is_short_name_character(c) && static_cast<std::uint8_t>(c) < 0x80)
      return false;
  }
  return true;
}

ShortNameIndex::ShortNameIndex(const std::vector<std::string_view>& names) : names_(names) {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (auto key = abbreviation_key(names_[i])) keys_.emplace_back(std::move(*key), i);
  }
  // Of several names of one key, the first by its bytes is named, whatever order they came in.
  std::sort(keys_.begin(), keys_.end(), [&](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : names_[a.second] < names_[b.second];
  });
}

std::optional<std::size_t> ShortNameIndex::abbreviated_to(std::string_view short_name) const {
  if (!has_short_name_form(short_name)) return std::nullopt;
  const Parts parts = split_at_dot(short_name);
  const std::size_t tilde = parts.base.rfind('~');
  const std::string_view kept = parts.base.substr(0, tilde);
  const std::size_t number = parts.base.size() - tilde - 1;
  std::string extension(parts.extension);
  const std::string self = fold_case(short_name);
  // Six characters with a one-digit number, or five with two: the base was cut, and any longer
  // base of the same start abbreviates so. A shorter part is a whole base.
  const bool cut = kept.size() + 1 + number == 8;
  if (auto found = find(extension + '|' + std::string(kept), cut, self)) return found;
  // Two characters, four hex digits of a hash, '~' and a digit.
  if (kept.size() == 6 && number == 1 &&
      kept.substr(2).find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos)
    return find(extension + '|' + std::string(kept.substr(0, 2)), true, self);
  return std::nullopt;
}

// pattern is the key part a short name gives, as written in it; with prefix, every key that
// starts so matches, else only that key itself. A '_' in it stands for a '_' of the long name,
// or one of the characters an 8.3 name replaces by it, or a character outside ASCII that the
// code page lacked: both ways are looked up.
std::optional<std::size_t> ShortNameIndex::find(std::string_view pattern, bool prefix,
                                                const std::string& self) const {
  std::string key;
  std::vector<bool> either;  // per character: whether it is a '_'
  for (const char c : pattern) {
    either.push_back(c == '_');
    key += c == '|' ? c : short_name_character(c);
  }
  return find_from(key, either, 0, prefix, self);
}

// Settles the '_' of key from position at on, each way only as far as some key starts so: a
// name full of '_' costs a few lookups, not one for every way of reading it.
std::optional<std::size_t> ShortNameIndex::find_from(std::string& key,
                                                     const std::vector<bool>& either,
                                                     std::size_t at, bool prefix,
                                                     const std::string& self) const {
  while (at < key.size() && !either[at]) ++at;
  if (at == key.size()) {
    for (auto it = first_from(key);
         it != keys_.end() && (prefix ? it->first.starts_with(key) : it->first == key); ++it) {
      if (fold_case(names_[it->second]) != self) return it->second;
    }
    return std::nullopt;
  }
  for (const char way : {'_', outside_ascii}) {
    key[at] = way;
    const std::string_view start(key.data(), at + 1);
    if (const auto it = first_from(start); it == keys_.end() || !it->first.starts_with(start))
      continue;
    if (auto found = find_from(key, either, at + 1, prefix, self)) return found;
  }
  return std::nullopt;
}

// The first key not below start.
ShortNameIndex::Keys::const_iterator ShortNameIndex::first_from(std::string_view start) const {
  return std::lower_bound(
      keys_.begin(), keys_.end(), start,
      [](const auto& entry, std::string_view wanted) { return entry.first < wanted; });
}

std::string short_name_problem(std::string_view other) {
  return "Windows can take the name for the 8.3 short name of " + std::string(other) +
         "; installing one would overwrite the other";
}

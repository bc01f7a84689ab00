// What a conforming Setup.dat keeps to beyond its byte layout: the limits the installer can
// honour and the names Windows accepts. Pack refuses what breaks them; list and verify report it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rules {

inline constexpr std::size_t max_name_length = 31;
inline constexpr std::size_t max_product_name_length = 31;
inline constexpr std::size_t max_settings_key_length = 63;
// A registry key's name may be 255 characters long; the header's 63 keep each well within.
inline constexpr std::size_t max_key_name_length = 255;
// The installer's progress bar counts files of the tree plus companion entries in 16 bits.
inline constexpr std::int64_t max_items = 65535;
// Every full destination path (folder + names joined by "\") must fit the 255 of MAX_PATH.
inline constexpr std::size_t max_path_length = 255;
// Size is a signed 32-bit field; -1 already means "folder".
inline constexpr std::int64_t max_file_size = 2147483647;
inline constexpr char default_dest[] = "C:\\Program Files\\Marbelo Orbit\\";

}  // namespace rules

// Why an 8-bit name is not usable as a Windows file name, or empty when it is: control
// characters, any of <>:"/\|?*, a trailing space or dot, "." and "..", and the device names
// CON PRN AUX NUL COM1-9 LPT1-9 with or without an extension. Length is checked apart.
std::optional<std::string> windows_name_problem(std::string_view name);

// A-Z lowered and nothing else: the key of pack's order, which must never change.
std::string fold_ascii_case(std::string_view text);

// An 8-bit name as Windows compares file names: every Windows-1252 letter with a case partner
// folded to one form (A-Z, À-Þ but the sign ×, Š Œ Ž Ÿ), so two names that fold alike are
// one name to Windows. ß stays itself: Windows has no one-letter upper case for it, so "ß.txt" and
// "SS.txt" are two names; µ and ƒ, whose upper cases lie outside the code page, meet no other.
std::string fold_case(std::string_view text);

// Windows gives a name that is no 8.3 name of its own a short 8.3 name beside it ("longname.txt"
// is also "LONGNA~1.TXT") and opens the file by either. A name of that short form beside a name
// that could be abbreviated to it can therefore open the other file: installing one overwrites
// the other, while the uninstall log records both.
//
// Whether an 8-bit name has the short form: up to six characters, '~', a number (from 1), eight
// characters at most so far, and an extension of up to three.
bool has_short_name_form(std::string_view name);

// The names of one folder, to find the one Windows could abbreviate to a name of the short form.
//
// A short name is made of the long name's base (before its last dot) and extension, spaces and
// other dots left out, a-z upper-cased, and the characters an 8.3 name cannot hold (+,;=[])
// replaced by '_'; the first six characters of the base (fewer where the number needs the room,
// or all of a shorter base), '~' and the number, then the first three of the extension. Past a
// few numbers Windows takes two characters of the base and four hex digits of a hash instead.
// A character outside ASCII is kept or becomes '_', as the code page of the machine has it: both
// count. "longname.txt" is itself an 8.3 name when case is ignored; whether a file system gives
// it a short name too is its own affair, and it counts. Only a name that already is its own
// short name (upper case, a base of one to eight characters, an extension of up to three) never
// gets another.
class ShortNameIndex {
 public:
  // names must outlive the index.
  explicit ShortNameIndex(const std::vector<std::string_view>& names);
  // The position of a name of the folder Windows could abbreviate to short_name, other than
  // short_name itself (case ignored); empty when there is none.
  std::optional<std::size_t> abbreviated_to(std::string_view short_name) const;

 private:
  using Keys = std::vector<std::pair<std::string, std::size_t>>;
  std::optional<std::size_t> find(std::string_view pattern, bool prefix,
                                  const std::string& self) const;
  std::optional<std::size_t> find_from(std::string& key, const std::vector<bool>& either,
                                       std::size_t at, bool prefix, const std::string& self) const;
  Keys::const_iterator first_from(std::string_view start) const;

  std::vector<std::string_view> names_;
  Keys keys_;  // sorted: key, position in names_
};

// The reason given for a name of the short form beside another that abbreviates to it; other is
// that other name, quoted. The text follows "WHERE: ".
std::string short_name_problem(std::string_view other);

// Why an 8-bit destination folder is not one the installer would accept, or empty when it is:
// the installer's own rule (a full path on a drive or a server share, no name ending in a space
// or a dot) and the names Windows refuses in a path. The text follows "the destination 'X' ".
std::optional<std::string> destination_problem(std::string_view dest);

// Why an 8-bit settings key is not a registry key path below HKEY_CURRENT_USER, or empty: names
// joined by single backslashes, none empty, at most 255 characters, no control characters. The
// text follows "the settings key 'X' ".
std::optional<std::string> registry_key_problem(std::string_view key);

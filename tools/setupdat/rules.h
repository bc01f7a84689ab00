// What a conforming Setup.dat keeps to beyond its byte layout: the limits the installer can
// honour and the names Windows accepts. Pack refuses what breaks them; list and verify report it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Why an 8-bit destination folder is not one the installer would accept, or empty when it is:
// the installer's own rule (a full path on a drive or a server share, no name ending in a space
// or a dot) and the names Windows refuses in a path. The text follows "the destination 'X' ".
std::optional<std::string> destination_problem(std::string_view dest);

// Why an 8-bit settings key is not a registry key path below HKEY_CURRENT_USER, or empty: names
// joined by single backslashes, none empty, at most 255 characters, no control characters. The
// text follows "the settings key 'X' ".
std::optional<std::string> registry_key_problem(std::string_view key);

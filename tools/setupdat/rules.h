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

// A-Z lowered and nothing else, the way names are compared for clashes in one folder.
std::string fold_ascii_case(std::string_view text);

// How values read from the data files are written for the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// An 8-bit name or path as the user reads it: UTF-8, with control characters written \xNN so
// they can neither hide nor disturb the terminal.
std::string shown(std::string_view cp1252);

// Text already in UTF-8 (a path from the file system or the command line) with its control
// characters written \xNN as shown() writes them, so that a name holding a newline still gives
// one message on one line. Other bytes pass unchanged, valid UTF-8 or not.
std::string controls_escaped(std::string_view utf8);

// Lowercase hex digits of bytes, in file order.
std::string hex_of(const std::uint8_t* bytes, std::size_t count);

// The 8 bytes of a double as the files store it (little-endian), in hex.
std::string double_hex(double value);

// The shortest decimal text that reads back as the same double ("nan", "inf" for the rest).
std::string number_text(double value);

// "YYYY-MM-DD HH:MM:SS" of a date value, local time as stored; "no date" when it is none.
std::string date_text(double value);

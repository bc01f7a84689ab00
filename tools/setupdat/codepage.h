// Names and texts inside Setup.dat and Uninst.dat are 8-bit Windows-1252; the tool's user, its
// arguments and its output speak UTF-8. Every conversion between the two goes through here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The Windows-1252 bytes of UTF-8 text; empty when the text is not valid UTF-8 or holds a
// character the code page lacks. The five unassigned bytes (0x81 0x8D 0x8F 0x90 0x9D) stand for
// no character, so U+0081 and its like have no form either.
std::optional<std::string> utf8_to_cp1252(std::string_view utf8);

// The UTF-8 of Windows-1252 bytes. An unassigned byte becomes U+FFFD: it stands for no
// character, and the replacement character says so visibly while keeping the output valid.
std::string cp1252_to_utf8(std::string_view bytes);

// Decodes the code point starting at `at` and moves `at` past it. Strict: an overlong form, a
// surrogate, a value above U+10FFFF or a cut sequence is empty, and `at` moves one byte on.
std::optional<char32_t> decode_utf8(std::string_view text, std::size_t& at);

void append_utf8(std::string& out, char32_t c);

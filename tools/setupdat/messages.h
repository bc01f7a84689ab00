// The one voice of setupdat's messages: each says what went wrong, with which path, and why
// (the system's own reason where there is one), and a command that stops says what became of
// its output. The forms used everywhere are here; the texts around them stay beside the checks
// that make them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

// A path as every message names it: in single quotes, UTF-8, control characters written \xNN so
// that a name holding a newline still gives one message on one line.
std::string quoted(const std::filesystem::path& path);
// Text from the command line (UTF-8) or 8-bit text shown(), quoted and escaped alike.
std::string quoted_text(std::string_view utf8);

// The system's reason for a failed call: its error text ("Permission denied").
std::string system_reason(int errno_value);
inline std::string system_reason(const std::error_code& error) { return error.message(); }

// "cannot ACTION 'PATH': REASON", the form of every failed file operation.
std::string cannot(std::string_view action, const std::filesystem::path& path,
                   std::string_view reason);

// "1 file", "2 files": a count as English says it.
std::string counted(std::uint64_t count, std::string_view thing);

// The last line after a write that failed and was undone (a refusal's is "nothing was
// written"): the folder is as it was before the command.
std::string nothing_changed(const std::filesystem::path& folder);

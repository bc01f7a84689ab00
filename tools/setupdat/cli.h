// The command line of setupdat, apart from main so that tests can run it whole.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace exit_code {
inline constexpr int done = 0;
inline constexpr int invalid_input = 1;  // non-conforming or unreadable input, I/O failures
inline constexpr int usage = 2;
}  // namespace exit_code

// Runs the tool on the arguments after the program name (UTF-8). Reports go to out, messages
// to err; progress, when given, gets pack's progress line.
int run_setupdat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 std::ostream* progress = nullptr);

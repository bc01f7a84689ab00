// The program's own message dialog, the fatal stops built on it, and the error box.
#pragma once

#include <string>

// MessageKind, ButtonSet, buttons::..., results::...
#include "core/message_layout.h"

// Shows text ("\r" starts a new line) modally, centred on the screen; returns the result code.
int show_message(const std::string& text, MessageKind kind, ButtonSet buttons);

// Fatal stops: the warning with its path or paths, OK, then the process ends at once with
// exit code 0, running no pending clean-up.
[[noreturn]] void fatal_missing_file(const std::string& path);
[[noreturn]] void fatal_create_folder(const std::string& path);
[[noreturn]] void fatal_create_file(const std::string& path);
[[noreturn]] void fatal_copy_file(const std::string& source, const std::string& destination);
[[noreturn]] void fatal_data_read();

// The system's message box for a failure that escaped: the failure's text with a full stop,
// the application title as caption, the stop sign and OK.
void show_error_box(const std::string& failure_text);

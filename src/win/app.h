// The application object: the process-wide title, the main window and the message pump.
#pragma once

#include <windows.h>

#include <string>

namespace app {

HINSTANCE instance();

// The title is the caption of the error box; set once by start-up for the chosen mode.
void set_title(const std::string& title);
const std::string& title();

// The wizard window once it exists; null in uninstall mode and before the wizard is created.
HWND main_window();
void set_main_window(HWND window);

// Dispatches every pending message and returns; used by long work on the GUI thread so the
// window keeps painting.
void process_messages();

}  // namespace app

// The application object: the process-wide title, the main window and the message pump.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace app {

HINSTANCE instance();

// The bytes of one of the program's resources (of a numbered type: RT_BITMAP is 2, RT_RCDATA
// 10); empty if it has none. They stay where they are for as long as the program runs.
std::string_view resource(int id, int type);

// The title is the caption of the error box; set once by start-up for the chosen mode.
void set_title(const std::string& title);
const std::string& title();

// The wizard window once it exists; null in uninstall mode and before the wizard is created.
HWND main_window();
void set_main_window(HWND window);

// Asked of the main window before the dialog manager sees an Alt+letter (the character in
// wParam): nonzero when the window took it. The dialog manager gives a label's letter to the next
// control that Tab visits, which is not always the control the label names.
inline constexpr UINT mnemonic_message = WM_APP + 16;

// Hands one message on: an Alt+letter to the main window first, then to the dialog manager
// (Tab, Enter, Esc, letters), else to its window.
void dispatch(MSG& msg);

// Dispatches every pending message and returns; used by long work on the GUI thread so the
// window keeps painting. Without paint, what needs painting waits for a call with it: the
// input, the posted and the sent messages are still answered.
void process_messages(bool paint = true);

}  // namespace app

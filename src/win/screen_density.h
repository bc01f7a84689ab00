// The density of the screens the program's windows are on, and the system's metrics at a
// density. Windows XP to 7 have one density for the whole system. Windows 8.1 gives each screen
// its own, yet draws a window's caption and borders, and answers every metric, at the system's
// (per-monitor awareness, version 1). Windows 10 from the Creators Update on draws the frame at
// the window's density too (version 2), and from its previous release on answers metrics for
// any density. Whatever is newer than Windows XP is looked up at run time, so that the program
// still starts there.
#pragma once

#include <windows.h>

#include "core/density.h"
#include "win/handles.h"

// The system's density: the one the screens had when the user signed in.
int system_dpi();

// The density of a screen: its own where the system keeps one per screen, else the system's.
int monitor_dpi(HMONITOR monitor);

// The density the window is shown at: as the system tells each window's, else its screen's.
int window_dpi(HWND window);

// Whether the system draws the caption and borders of this thread's windows at each window's
// density (version 2) rather than at the system's wherever the window is.
bool frame_follows_window_density();

// The width and height that the caption and borders of a window of this style add to its client
// area on a screen of density dpi, as the system draws them there for this program.
density::Size frame_thickness(DWORD style, DWORD ex_style, int dpi);

// The system's message font at dpi; null if the system does not say which it is.
GdiObject<HFONT> make_message_font(int dpi);

// The side of the system's icons at dpi.
int icon_size(int dpi);

// A system icon (IDI_...) of its own at size pixels, scaled down from a larger image where the
// system can; null if it cannot be had. (The shared one from LoadIcon has the system's size.)
Icon load_system_icon(LPCSTR id, int size);

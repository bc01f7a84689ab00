// The wizard at the density of the screen it is on. The layout table describes the window in
// pixels at 96 pixels per inch; the program declares that it scales itself (per monitor where
// the system offers it, for the whole system otherwise), so the system neither shrinks nor
// blurs it, and these functions give what the window and its controls need at a density.
#pragma once

#include <windows.h>

#include "core/density.h"
#include "win/handles.h"
#include "win/screen_density.h"  // window_dpi, frame_thickness
#include "wizard/layout.h"

// A control's rectangle, or the window's client area, in the window's pixels at dpi: the one
// place where the design's pixels become the screen's.
RECT scaled_rect(const density::Rect& design, int dpi);
inline RECT scaled_rect(const ControlRow& row, int dpi) {
  return scaled_rect({row.left, row.top, row.width, row.height}, dpi);
}

// The wizard's font at dpi: MS Sans Serif, 8 points, regular or bold.
GdiObject<HFONT> make_wizard_font(int dpi, bool bold);

// The side picture drawn at width x height, smoothly; null if its resource cannot be read.
GdiObject<HBITMAP> make_side_picture(int width, int height);

// Draws the sunken frame in the band of the given width outside inner: the system's 2-pixel
// sunken edge at 96 pixels per inch, its two tones each as thick as the band allows above.
void draw_sunken_frame(HDC dc, const RECT& inner, int band);

// Screen density: the wizard is laid out in pixels at 96 pixels per inch, and shown at the
// density of the screen it is on, every position, size and font height scaled by dpi / 96.
#pragma once

namespace density {

inline constexpr int design_dpi = 96;

// A length of the design scaled to dpi, rounded to the nearest pixel, halves away from zero
// (a font height of -11 is -17 at 144 pixels per inch).
constexpr int scale(int pixels, int dpi) {
  const long long twice = 2LL * pixels * dpi;
  return static_cast<int>((twice + (twice < 0 ? -design_dpi : design_dpi)) / (2 * design_dpi));
}

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

// A rectangle of the design at dpi. Its edges are scaled, not its size, so controls that touch
// in the design (the Back and Next buttons) still touch, and each size stays within a pixel of
// the exact one.
constexpr Rect scale(const Rect& design, int dpi) {
  const int left = scale(design.left, dpi), top = scale(design.top, dpi);
  return {left, top, scale(design.left + design.width, dpi) - left,
          scale(design.top + design.height, dpi) - top};
}

struct Size {
  int width = 0, height = 0;
};

// A window's outer size: its client area and the frame (caption and borders) around it, given
// as the width and height the frame adds.
constexpr Size outer_size(Size client, Size frame) {
  return {client.width + frame.width, client.height + frame.height};
}

// Where a window goes once the system has moved it to a screen of another density and tells it
// so: the client area the layout takes at the new density inside the frame as the system draws
// it now, at the top left corner the system suggests. Only the suggestion's place is taken, not
// its size: the system scales the whole window, frame included, which is right only where the
// frame scales with the window (Windows 10 from the Creators Update on). On Windows 8.1 and the
// Windows 10 before it the frame stays at the system's density wherever the window is, so the
// suggested client area comes out short by the frame's change (about 15 pixels from 144 to 96)
// and cuts the buttons.
constexpr Rect placed_at_new_density(Size client, Size frame, const Rect& suggested) {
  const Size size = outer_size(client, frame);
  return {suggested.left, suggested.top, size.width, size.height};
}

}  // namespace density

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

}  // namespace density

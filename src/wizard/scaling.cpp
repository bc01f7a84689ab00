#include "wizard/scaling.h"

#include <algorithm>
#include <cstring>

#include "core/picture.h"
#include "resources/resource_ids.h"
#include "win/app.h"

RECT scaled_rect(const density::Rect& design, int dpi) {
  const density::Rect r = density::scale(design, dpi);
  return {r.left, r.top, r.left + r.width, r.top + r.height};
}

GdiObject<HFONT> make_wizard_font(int dpi, bool bold) {
  return GdiObject<HFONT>(CreateFontA(density::scale(-11, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                                      FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
}

GdiObject<HBITMAP> make_side_picture(int width, int height) {
  const std::string_view stored = app::resource(IDB_SIDE, 2);  // RT_BITMAP
  const auto original = decode_palette_dib(reinterpret_cast<const std::uint8_t*>(stored.data()),
                                           stored.size());
  if (!original || width <= 0 || height <= 0) return {};
  const Picture picture = resample(*original, width, height);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top, as the picture holds them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  // 0x00RRGGBB in memory is blue, green, red and an unused byte: a 32-bit DIB's pixel.
  if (bitmap.get() && bits)
    std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * sizeof picture.pixels[0]);
  return bitmap;
}

void draw_sunken_frame(HDC dc, const RECT& inner, int band) {
  const auto ring = [&](int distance, UINT edge) {
    RECT r{inner.left - distance, inner.top - distance, inner.right + distance,
           inner.bottom + distance};
    DrawEdge(dc, &r, edge, BF_RECT);
  };
  // Outside in: the outer tone's extra rings, the sunken edge itself (one ring of each tone),
  // the inner tone's extra rings; the outer tone takes an odd pixel. A band of 2 is the one
  // sunken edge.
  const int inner_tone = std::max(band, 2) / 2;
  for (int d = std::max(band, 2); d > inner_tone + 1; --d) ring(d, BDR_SUNKENOUTER);
  ring(inner_tone + 1, EDGE_SUNKEN);
  for (int d = inner_tone - 1; d > 0; --d) ring(d, BDR_SUNKENINNER);
}

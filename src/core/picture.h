// The side picture as its bitmap resource holds it (a device-independent bitmap of 8 bits per
// pixel with a colour table, uncompressed), and the same picture at another size, smoothly:
// on a screen of more than 96 pixels per inch it is shown larger, and doubling every pixel
// would show the blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows from the top
};

// The picture in a bitmap resource's bytes (a BITMAPINFOHEADER, the colour table, the rows);
// nothing for anything else: another depth, compression, or bytes that end too early.
std::optional<Picture> decode_palette_dib(const std::uint8_t* bytes, std::size_t size);

// The picture at width x height, each pixel interpolated between its four nearest neighbours
// in the original. At the original size it is the original, pixel for pixel.
Picture resample(const Picture& picture, int width, int height);

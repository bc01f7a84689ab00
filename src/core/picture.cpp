#include "core/picture.h"

#include <algorithm>

#include "core/bytes.h"

namespace {

constexpr std::size_t info_header_size = 40;

std::uint16_t get_u16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Where a destination pixel's centre falls in the source, in 1/256 pixels: the integer part
// is the first of the two source pixels it lies between, the fraction the weight of the second.
struct Sample {
  int first, second, weight;
};

std::vector<Sample> samples(int from, int to) {
  std::vector<Sample> out(static_cast<std::size_t>(to));
  for (int i = 0; i < to; ++i) {
    // (i + 1/2) * from / to - 1/2, in 1/256 units, kept within the source.
    const long long fixed = ((2LL * i + 1) * from * 256) / (2LL * to) - 128;
    const long long clamped = std::clamp<long long>(fixed, 0, (from - 1) * 256LL);
    const int first = static_cast<int>(clamped >> 8);
    out[static_cast<std::size_t>(i)] = {first, std::min(first + 1, from - 1),
                                        static_cast<int>(clamped & 255)};
  }
  return out;
}

std::uint32_t channel(std::uint32_t colour, int shift) { return (colour >> shift) & 255; }

// Blends two colours channel by channel, weight in 1/256 towards the second, rounded.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, int weight) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t value =
        (channel(a, shift) * static_cast<std::uint32_t>(256 - weight) +
         channel(b, shift) * static_cast<std::uint32_t>(weight) + 128) >> 8;
    out |= value << shift;
  }
  return out;
}

}  // namespace

std::optional<Picture> decode_palette_dib(const std::uint8_t* bytes, std::size_t size) {
  if (size < info_header_size || le::get_u32(bytes) < info_header_size) return std::nullopt;
  const std::size_t header_size = le::get_u32(bytes);
  const std::int32_t width = le::get_i32(bytes + 4), height = le::get_i32(bytes + 8);
  const std::uint32_t colours_used = le::get_u32(bytes + 32);
  if (get_u16(bytes + 12) != 1 || get_u16(bytes + 14) != 8 || le::get_u32(bytes + 16) != 0)
    return std::nullopt;  // one plane, 8 bits a pixel, uncompressed: nothing else is ours
  if (width <= 0 || width > 4096 || height == 0 || height < -4096 || height > 4096 ||
      colours_used > 256 || header_size > size)
    return std::nullopt;
  const std::size_t colours = colours_used ? colours_used : 256;
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
  const std::size_t table = header_size, data = table + 4 * colours;
  if (size < data || (size - data) / stride < rows) return std::nullopt;

  Picture picture{width, static_cast<int>(rows), {}};
  picture.pixels.reserve(static_cast<std::size_t>(width) * rows);
  for (std::size_t y = 0; y < rows; ++y) {
    const std::size_t stored = height > 0 ? rows - 1 - y : y;  // positive height: bottom-up
    const std::uint8_t* row = bytes + data + stored * stride;
    for (int x = 0; x < width; ++x) {
      const std::size_t index = row[x];
      // An index beyond the table is black, as the window system draws it.
      picture.pixels.push_back(index < colours ? le::get_u32(bytes + table + 4 * index) & 0xFFFFFF
                                               : 0);
    }
  }
  return picture;
}

Picture resample(const Picture& picture, int width, int height) {
  Picture out{width, height, {}};
  if (width <= 0 || height <= 0 || picture.width <= 0 || picture.height <= 0) {
    out.width = out.height = 0;
    return out;
  }
  const std::vector<Sample> xs = samples(picture.width, width), ys = samples(picture.height, height);
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const auto at = [&](int x, int y) {
    return picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                          static_cast<std::size_t>(x)];
  };
  std::size_t i = 0;
  for (const Sample& y : ys)
    for (const Sample& x : xs)
      out.pixels[i++] = mix(mix(at(x.first, y.first), at(x.second, y.first), x.weight),
                            mix(at(x.first, y.second), at(x.second, y.second), x.weight), y.weight);
  return out;
}

// The wizard at other screen densities, as far as it needs no window: the layout scaled by
// dpi / 96, and the side picture decoded from its bitmap and enlarged smoothly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/bytes.h"
#include "core/density.h"
#include "core/picture.h"
#include "wizard/layout.h"

TEST(Density, TheLayoutScaledEdgeByEdge) {
  EXPECT_EQ(density::scale(-11, 96), -11);
  EXPECT_EQ(density::scale(-11, 120), -14);
  EXPECT_EQ(density::scale(-11, 144), -17);
  EXPECT_EQ(density::scale(-11, 192), -22);
  for (int dpi : {96, 120, 144, 168, 192, 240}) {
    SCOPED_TRACE(dpi);
    for (const ControlRow& row : layout_rows) {
      const density::Rect r = density::scale({row.left, row.top, row.width, row.height}, dpi);
      if (dpi == 96) {
        EXPECT_EQ(r.left, row.left);
        EXPECT_EQ(r.width, row.width);
        EXPECT_EQ(r.height, row.height);
      }
      // Every edge and size within a pixel of the exact one.
      EXPECT_LE(std::abs(r.left * 96 - row.left * dpi), 96);
      EXPECT_LE(std::abs(r.width * 96 - row.width * dpi), 96);
      EXPECT_LE(std::abs(r.height * 96 - row.height * dpi), 96);
    }
    // Controls that touch still touch: Back ends where Next begins.
    const ControlRow &back = layout_row(BackButton), &next = layout_row(NextButton);
    const density::Rect b = density::scale({back.left, back.top, back.width, back.height}, dpi);
    const density::Rect n = density::scale({next.left, next.top, next.width, next.height}, dpi);
    EXPECT_EQ(b.left + b.width, n.left);
  }
}

TEST(Density, AMoveToAnotherScreenKeepsTheLayoutsClientArea) {
  const auto client_at = [](int dpi) {
    const density::Rect r = density::scale({0, 0, client_width, client_height}, dpi);
    return density::Size{r.width, r.height};
  };
  // Windows 8.1 signed in at 144: the caption and borders stay as the system draws them there
  // (they add 16 by 45 pixels) on whichever screen the window is, yet on a move the system
  // suggests the whole window scaled.
  const density::Size frame{16, 45};
  const density::Rect on_144{200, 100, client_at(144).width + 16, client_at(144).height + 45};
  const density::Rect to_96{1500, 80, on_144.width * 96 / 144, on_144.height * 96 / 144};
  EXPECT_EQ(to_96.height - frame.height, client_height - 15);  // which would cut the buttons
  const density::Rect on_96 = density::placed_at_new_density(client_at(96), frame, to_96);
  EXPECT_EQ(on_96.left, 1500);
  EXPECT_EQ(on_96.top, 80);
  EXPECT_EQ(on_96.width, client_width + frame.width);
  EXPECT_EQ(on_96.height, client_height + frame.height);
  // And back: the window it was.
  const density::Rect back = density::placed_at_new_density(
      client_at(144), frame, {200, 100, on_96.width * 144 / 96, on_96.height * 144 / 96});
  EXPECT_EQ(back.width, on_144.width);
  EXPECT_EQ(back.height, on_144.height);
}

namespace {

// A bitmap resource's bytes: 8 bits a pixel, a colour table of colours, rows bottom-up.
std::vector<std::uint8_t> palette_dib(int width, int height, const std::vector<std::uint32_t>& colours,
                                      const std::vector<std::uint8_t>& top_down_indexes) {
  const int stride = (width + 3) & ~3;
  std::vector<std::uint8_t> bytes(40 + 4 * colours.size() + static_cast<std::size_t>(stride * height));
  le::put_u32(&bytes[0], 40);
  le::put_i32(&bytes[4], width);
  le::put_i32(&bytes[8], height);
  bytes[12] = 1;
  bytes[14] = 8;
  le::put_u32(&bytes[32], static_cast<std::uint32_t>(colours.size()));
  for (std::size_t i = 0; i < colours.size(); ++i) le::put_u32(&bytes[40 + 4 * i], colours[i]);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bytes[40 + 4 * colours.size() + static_cast<std::size_t>((height - 1 - y) * stride + x)] =
          top_down_indexes[static_cast<std::size_t>(y * width + x)];
  return bytes;
}

}  // namespace

TEST(SidePicture, DecodedTopDownAndEnlargedSmoothly) {
  // Black on the left, white on the right, one row of red at the bottom.
  const auto bytes = palette_dib(2, 3, {0x000000, 0xFFFFFF, 0xFF0000}, {0, 1, 0, 1, 2, 2});
  const auto picture = decode_palette_dib(bytes.data(), bytes.size());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->pixels, (std::vector<std::uint32_t>{0, 0xFFFFFF, 0, 0xFFFFFF, 0xFF0000, 0xFF0000}));

  // At its own size it is itself; enlarged, the edge between black and white is a ramp of
  // greys, the outer columns keep their colours.
  EXPECT_EQ(resample(*picture, 2, 3).pixels, picture->pixels);
  const Picture large = resample(*picture, 8, 3);
  ASSERT_EQ(large.pixels.size(), 24u);
  EXPECT_EQ(large.pixels[0], 0u);
  EXPECT_EQ(large.pixels[7], 0xFFFFFFu);
  for (int x = 1; x < 8; ++x) EXPECT_GE(large.pixels[x] & 0xFF, large.pixels[x - 1] & 0xFF);
  EXPECT_GT(large.pixels[3] & 0xFF, 0u);
  EXPECT_LT(large.pixels[3] & 0xFF, 0xFFu);

  // Cut anywhere, or of another depth, it is no picture, and nothing is read beyond the bytes.
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(decode_palette_dib(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + size).data(), size)) << size;
  auto deeper = bytes;
  deeper[14] = 24;
  EXPECT_FALSE(decode_palette_dib(deeper.data(), deeper.size()));
}

// The message dialog's decisions that need no window: buttons, Enter and Esc, and its layout.
// The dialog itself is checked on screen by the Windows tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/message_layout.h"

TEST(MessageButtons, RowOrderCaptionsResultsAndTheKeysChoices) {
  using namespace buttons;
  EXPECT_EQ(button_rows(help | ok | no | yes), (std::vector<int>{0, 1, 2, 8}));
  // Bits beyond the last row name no button.
  EXPECT_EQ(button_rows(ok | (1u << 9) | (1u << 31)), (std::vector<int>{2}));
  const int expected_results[] = {6, 7, 1, 2, 3, 4, 5, 8, 9};
  for (int row = 0; row < 9; ++row) EXPECT_EQ(button_result(row), expected_results[row]) << row;
  EXPECT_EQ(button_result(9), 0);
  EXPECT_EQ(std::string(button_caption(0)) + button_caption(1) + button_caption(2), "&Yes&NoOK");
  EXPECT_EQ(std::string(button_caption(9)), "");

  EXPECT_EQ(default_row(yes_no), 0);
  EXPECT_EQ(escape_row(yes_no), 1);
  EXPECT_EQ(default_row(ok), 2);
  EXPECT_EQ(escape_row(ok), 2);
  EXPECT_EQ(default_row(yes | no | ok), 2);
  EXPECT_EQ(escape_row(yes | no | ok), 1);
  // Neither key names Cancel: without Yes, No and OK there is no Enter or Esc button.
  EXPECT_EQ(default_row(cancel | retry), -1);
  EXPECT_EQ(escape_row(cancel | retry), -1);
}

TEST(MessageLayout, SpacingFollowsTheFont) {
  const DialogSpacing s = spacing_for_font(6, 13, 32);
  EXPECT_EQ(s.margin_x, 11);       // 7 dialog units of a 6-pixel character, rounded
  EXPECT_EQ(s.button_width, 75);   // 50 units
  EXPECT_EQ(s.button_height, 23);  // 14 units of a 13-pixel character
  const DialogSpacing large = spacing_for_font(8, 16, 48);
  EXPECT_GT(large.button_width, s.button_width);
  EXPECT_GT(large.button_height, s.button_height);
  // The icon at 144 pixels per inch is the system's 48 pixels, and the text block beside it is
  // at least as high.
  const MessageLayout at_144 = lay_out_message({300, 20}, true, 1, 20, large);
  EXPECT_EQ(at_144.icon.width, 48);
  EXPECT_EQ(at_144.text.height, 48);
  EXPECT_EQ(at_144.text.left, at_144.icon.right() + large.icon_gap);
}

TEST(MessageLayout, IconTextAndACentredRowOfEqualButtons) {
  const DialogSpacing s = spacing_for_font(6, 13, 32);
  // One line beside the icon: the text block takes the icon's height.
  const MessageLayout wide = lay_out_message({500, 13}, true, 2, 10, s);
  EXPECT_EQ(wide.text.left, wide.icon.right() + s.icon_gap);
  EXPECT_EQ(wide.text.height, 32);
  EXPECT_EQ(wide.client.width, wide.text.right() + s.margin_x);
  EXPECT_EQ(wide.buttons[0].top, wide.text.bottom() + s.text_gap);
  EXPECT_EQ(wide.client.height, wide.buttons[0].bottom() + s.margin_y);
  EXPECT_LE(std::abs(wide.buttons[0].left - (wide.client.width - wide.buttons[1].right())), 1);

  // A caption too long for the usual width widens every button alike, and the row, now the
  // wider part, sets the width.
  const MessageLayout row = lay_out_message({20, 52}, true, 2, 120, s);
  EXPECT_EQ(row.text.height, 52);
  EXPECT_EQ(row.buttons[0].width, 120 + 2 * s.caption_padding);
  EXPECT_EQ(row.buttons[1].width, row.buttons[0].width);
  EXPECT_EQ(row.buttons[0].left, s.margin_x);
  EXPECT_EQ(row.client.width, row.buttons[1].right() + s.margin_x);

  // Without icon or buttons nothing is reserved for them.
  const MessageLayout bare = lay_out_message({200, 13}, false, 0, 0, s);
  EXPECT_EQ(bare.text.left, s.margin_x);
  EXPECT_EQ(bare.text.height, 13);
  EXPECT_EQ(bare.client.height, bare.text.bottom() + s.margin_y);

  const Box centred = centred_on_screen({300, 151}, {1024, 768});
  EXPECT_EQ(centred.left, 362);
  EXPECT_EQ(centred.top, 308);
}

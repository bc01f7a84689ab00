// The wizard's layout data and page rules, checked without a window system.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/texts.h"
#include "wizard/layout.h"
#include "wizard/page_rules.h"

TEST(WizardLayout, EveryControlOnceAndInsideItsArea) {
  std::set<int> seen;
  for (const ControlRow& row : layout_rows) {
    EXPECT_TRUE(seen.insert(row.id).second) << row.id;
    const int width = row.page == on_window ? client_width : layout_row(Notebook).width;
    const int height = row.page == on_window ? client_height : layout_row(Notebook).height;
    EXPECT_LE(row.left + row.width, width) << row.id;
    EXPECT_LE(row.top + row.height, height) << row.id;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(WelcomeStepLabel - BackButton + 1));

  const ControlRow &back = layout_row(BackButton), &next = layout_row(NextButton),
                   &cancel = layout_row(CancelButton);
  EXPECT_EQ(back.left + back.width, next.left);  // Back and Next touch
  EXPECT_EQ(cancel.left - (next.left + next.width), 26);
  // Tab order follows the rows: the page area's controls come before the three buttons.
  EXPECT_EQ(layout_rows.back().id, CancelButton);
}

TEST(WizardPages, ButtonsOfEveryPage) {
  struct Expected {
    bool back_enabled, back_visible, next_visible;
    const char* next;
    bool cancel_enabled, cancel_visible;
    const char* cancel;  // null: unchanged
    bool focus_next;
  };
  const Expected pages[] = {
      {false, true, true, "&Next >", true, true, "Cancel", true},
      {true, true, true, "&Yes", true, true, "&No", true},
      {true, true, true, "&Next >", true, true, "Cancel", true},
      {true, true, true, "&Install", true, true, "Cancel", true},
      {true, false, false, "&Next >", false, true, "Cancel", false},
      {true, false, true, "&Finish", true, false, nullptr, true},
  };
  for (int page = 0; page < PageCount; ++page) {
    SCOPED_TRACE(page);
    const PageButtons b = page_buttons(page);
    const Expected& e = pages[page];
    EXPECT_EQ(b.back_enabled, e.back_enabled);
    EXPECT_EQ(b.back_visible, e.back_visible);
    EXPECT_EQ(b.next_visible, e.next_visible);
    EXPECT_STREQ(b.next_caption, e.next);
    EXPECT_EQ(b.cancel_enabled, e.cancel_enabled);
    EXPECT_EQ(b.cancel_visible, e.cancel_visible);
    if (e.cancel) {
      EXPECT_STREQ(b.cancel_caption, e.cancel);
    } else {
      EXPECT_EQ(b.cancel_caption, nullptr);
    }
    EXPECT_EQ(b.focus_next, e.focus_next);
  }
}

TEST(WizardPages, WelcomeTextFramesTheProductName) {
  EXPECT_EQ(welcome_text(ShortString<31>("Marbelo Orbit")),
            "This program will install Marbelo Orbit on your computer.");
  EXPECT_EQ(welcome_text(ShortString<31>("")), "This program will install  on your computer.");
  EXPECT_EQ(welcome_text(ShortString<31>(std::string(31, 'x'))).size(), 75u);
  EXPECT_EQ(welcome_text(ShortString<31>(std::string(40, 'x'))).size(), 75u);
  EXPECT_EQ(welcome_text(ShortString<31>(std::string("Ab\0cd", 5))),
            "This program will install Ab on your computer.");
}

TEST(WizardPages, MnemonicOfALabel) {
  EXPECT_TRUE(matches_mnemonic(texts::dest_folder_label, 'f'));
  EXPECT_TRUE(matches_mnemonic(texts::dest_folder_label, 'F'));
  EXPECT_FALSE(matches_mnemonic(texts::dest_folder_label, 'd'));
  // "&&" is an ampersand, not a mnemonic; a trailing "&" marks nothing.
  EXPECT_FALSE(matches_mnemonic("Tom && Jerry", ' '));
  EXPECT_TRUE(matches_mnemonic("Tom && &Jerry", 'j'));
  EXPECT_FALSE(matches_mnemonic("Trailing&", '\0'));
}

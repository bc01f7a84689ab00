// What entering a page does to the three buttons, and the welcome text: decided without the
// window system, so it is tested natively.
#pragma once

#include <string>
#include <string_view>

#include "core/short_string.h"

struct PageButtons {
  bool back_enabled;
  bool cancel_enabled;
  bool back_visible;
  bool next_visible;
  bool cancel_visible;
  const char* next_caption;
  const char* cancel_caption;  // null: left as it was
  bool focus_next;             // NextButton becomes the active control
};

// The button states for page 0 to 5, every rule applied in full.
PageButtons page_buttons(int page);

// "This program will install " + the product name + " on your computer."
std::string welcome_text(const ShortString<31>& product_name);

// Whether letter is the caption's mnemonic, the character after its "&" ("&&" is a plain "&"),
// the 26 ASCII letters compared without regard to case.
bool matches_mnemonic(std::string_view caption, char letter);

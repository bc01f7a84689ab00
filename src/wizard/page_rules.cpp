#include "wizard/page_rules.h"

#include "core/paths.h"
#include "core/texts.h"
#include "wizard/layout.h"

PageButtons page_buttons(int page) {
  PageButtons b{};
  b.back_enabled = page > 0;
  b.cancel_enabled = page != CopyPage;
  b.back_visible = page < CopyPage;
  b.next_visible = page != CopyPage;
  b.cancel_visible = page < ReadyPage;
  switch (page) {
    case LicensePage:
      b.next_caption = texts::button_yes;
      b.cancel_caption = texts::button_no;
      break;
    case IconPage:
      b.next_caption = texts::button_install;
      b.cancel_caption = texts::button_cancel;
      break;
    case ReadyPage:
      b.next_caption = texts::button_finish;
      b.cancel_caption = nullptr;
      break;
    default:
      b.next_caption = texts::button_next;
      b.cancel_caption = texts::button_cancel;
  }
  b.focus_next = page != CopyPage;
  return b;
}

std::string welcome_text(const ShortString<31>& product_name) {
  // The window shows its text up to the first NUL: a name holding one is cut there, so that the
  // text after the name is never lost with it.
  return std::string(texts::welcome_before_name) + std::string(up_to_nul(product_name.view())) +
         texts::welcome_after_name;
}

bool matches_mnemonic(std::string_view caption, char letter) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&')
      return same_text_ignoring_case(caption.substr(i + 1, 1), std::string_view(&letter, 1));
    ++i;  // "&&"
  }
  return false;
}

#include "core/message_layout.h"

#include <algorithm>
#include <iterator>

#include "core/texts.h"

namespace {

// The dialog's button rows, in display order.
struct ButtonRow {
  const char* caption;
  int result;
};
constexpr ButtonRow rows[] = {
    {texts::button_yes, results::yes},     {texts::button_no, results::no},
    {texts::button_ok, results::ok},       {texts::button_cancel, results::cancel},
    {texts::button_abort, results::abort}, {texts::button_retry, results::retry},
    {texts::button_ignore, results::ignore}, {texts::button_all, results::all},
    {texts::button_help, results::help},
};
constexpr int row_count = static_cast<int>(std::size(rows));
constexpr int yes_row = 0, no_row = 1, ok_row = 2;

bool holds(ButtonSet set, int row) { return (set >> row) & 1u; }

// The usual dialog metrics, in dialog units.
constexpr int margin_dlu = 7;
constexpr int icon_gap_dlu = 7;
constexpr int text_gap_dlu = 7;
constexpr int button_gap_dlu = 4;
constexpr int button_width_dlu = 50;
constexpr int button_height_dlu = 14;
constexpr int caption_padding_dlu = 6;

}  // namespace

std::string_view kind_caption(MessageKind kind) {
  switch (kind) {
    case MessageKind::warning: return texts::caption_warning;
    case MessageKind::error: return texts::caption_error;
    case MessageKind::information: return texts::caption_information;
    case MessageKind::confirmation: return texts::caption_confirm;
  }
  return {};
}

std::vector<int> button_rows(ButtonSet set) {
  std::vector<int> present;
  for (int row = 0; row < row_count; ++row)
    if (holds(set, row)) present.push_back(row);
  return present;
}

const char* button_caption(int row) {
  return row >= 0 && row < row_count ? rows[row].caption : "";
}

int button_result(int row) { return row >= 0 && row < row_count ? rows[row].result : 0; }

int default_row(ButtonSet set) {
  if (holds(set, ok_row)) return ok_row;
  if (holds(set, yes_row)) return yes_row;
  return -1;
}

int escape_row(ButtonSet set) {
  if (holds(set, no_row)) return no_row;
  if (holds(set, ok_row)) return ok_row;
  return -1;
}

DialogSpacing spacing_for_font(int char_width, int char_height, int icon_size) {
  // Rounded to the nearest pixel, as the window system converts dialog units.
  const auto x = [&](int dlu) { return (dlu * char_width + 2) / 4; };
  const auto y = [&](int dlu) { return (dlu * char_height + 4) / 8; };
  return {x(margin_dlu),          y(margin_dlu),       x(icon_gap_dlu),
          y(text_gap_dlu),        x(button_gap_dlu),   x(button_width_dlu),
          y(button_height_dlu),   x(caption_padding_dlu), icon_size};
}

MessageLayout lay_out_message(Size text, bool with_icon, std::size_t button_count,
                              int widest_caption, const DialogSpacing& s) {
  MessageLayout out;
  const int left = s.margin_x, top = s.margin_y;
  int text_left = left;
  int block_height = text.height;
  if (with_icon) {
    out.icon = {left, top, s.icon_size, s.icon_size};
    text_left = out.icon.right() + s.icon_gap;
    block_height = std::max(block_height, s.icon_size);
  }
  out.text = {text_left, top, text.width, block_height};
  const int block_width = out.text.right() - left;

  const int count = static_cast<int>(button_count);
  const int button_width = std::max(s.button_width, widest_caption + 2 * s.caption_padding);
  const int row_width = count > 0 ? count * button_width + (count - 1) * s.button_gap : 0;

  out.client.width = std::max(block_width, row_width) + 2 * s.margin_x;
  int bottom = out.text.bottom();
  if (count > 0) {
    const int row_top = bottom + s.text_gap;
    int x = (out.client.width - row_width) / 2;
    for (int i = 0; i < count; ++i, x += button_width + s.button_gap)
      out.buttons.push_back({x, row_top, button_width, s.button_height});
    bottom = row_top + s.button_height;
  }
  out.client.height = bottom + s.margin_y;
  return out;
}

Box centred_on_screen(Size window, Size screen) {
  return {(screen.width - window.width) / 2, (screen.height - window.height) / 2, window.width,
          window.height};
}

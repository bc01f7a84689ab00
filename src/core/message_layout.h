// What the message dialog decides without a window system: its kinds and button sets, which
// buttons appear in what order with which captions and results, which of them Enter and Esc
// choose, and where the icon, the text and the buttons go once the text has been measured.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

enum class MessageKind { warning = 0, error = 1, information = 2, confirmation = 3 };

// A set of standard buttons: bit n stands for row n. The buttons always appear in row order.
using ButtonSet = unsigned;
namespace buttons {
inline constexpr ButtonSet yes = 1u << 0, no = 1u << 1, ok = 1u << 2, cancel = 1u << 3,
                           abort = 1u << 4, retry = 1u << 5, ignore = 1u << 6, all = 1u << 7,
                           help = 1u << 8;
inline constexpr ButtonSet yes_no = yes | no;
}  // namespace buttons

// Result codes: which button closed the dialog; closing it through its frame gives 2.
namespace results {
inline constexpr int ok = 1, cancel = 2, abort = 3, retry = 4, ignore = 5, yes = 6, no = 7,
                     all = 8, help = 9;
}

// The caption of the dialog for a kind; empty for a value outside the four kinds.
std::string_view kind_caption(MessageKind kind);

// The rows present in a set, in the order they are shown; bits beyond the last row are ignored.
std::vector<int> button_rows(ButtonSet set);
const char* button_caption(int row);  // "" for a row that does not exist
int button_result(int row);

// The row Enter chooses (OK, else Yes) and the row Esc chooses (No, else OK); -1 for none.
int default_row(ButtonSet set);
int escape_row(ButtonSet set);

struct Size {
  int width = 0;
  int height = 0;
};

struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
};

// Spacing of the dialog in pixels for its font.
struct DialogSpacing {
  int margin_x, margin_y;   // between the client edge and the content
  int icon_gap;             // between the icon and the text
  int text_gap;             // between the text block and the button row
  int button_gap;           // between neighbouring buttons
  int button_width;         // the narrowest a button gets
  int button_height;
  int caption_padding;      // room beside a button's caption
  int icon_size;            // the system's icon, square: 32 at 96 pixels per inch
};

// The dialog's spacing for a font whose average character is char_width by char_height pixels:
// the usual dialog metrics, given in dialog units (a quarter of the average character width,
// an eighth of its height), so that they grow with the user's font and the screen's density;
// the icon is as large as the system makes its icons.
DialogSpacing spacing_for_font(int char_width, int char_height, int icon_size);

// Messages wrap at half the screen width, so even a long one reads as a compact block.
inline int wrap_width(int screen_width) { return screen_width / 2; }

struct MessageLayout {
  Box icon;                 // empty without an icon
  Box text;
  std::vector<Box> buttons;
  Size client;
};

// Places the icon at the top left, the text to its right (at least as high as the icon), and
// one centred row of equally sized buttons below; the client area is as wide as the wider of
// text block and button row, plus margins. text is the measured size of the wrapped text;
// widest_caption the width of the longest button caption.
MessageLayout lay_out_message(Size text, bool with_icon, std::size_t button_count,
                              int widest_caption, const DialogSpacing& spacing);

// The top left corner that centres a window of this size on the screen.
Box centred_on_screen(Size window, Size screen);

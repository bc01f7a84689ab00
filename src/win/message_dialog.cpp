#include "win/message_dialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/failure.h"
#include "core/texts.h"
#include "win/app.h"
#include "win/handles.h"
#include "win/screen_density.h"

namespace {

// Control ids. A button's id is first_button_id plus its row, which keeps every button clear
// of IDOK and IDCANCEL: the dialog manager sends those for Enter without a default button and
// for Esc, and Esc must choose the escape button rather than whatever happens to be number 2.
constexpr int text_id = 10;
constexpr int icon_id = 11;
constexpr int first_button_id = 100;

// The static shows the text with the same rules it was measured with. A path is shown as it
// is: "&" in a folder name is a character, not a mnemonic; an overlong word (a deep path) is
// broken where the line ends rather than widening the dialog off the screen.
constexpr UINT text_format = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL;
constexpr DWORD text_style = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;

constexpr DWORD dialog_style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                               DS_SETFOREGROUND | DS_3DLOOK;

LPCSTR icon_of(MessageKind kind) {
  switch (kind) {
    case MessageKind::warning: return IDI_EXCLAMATION;
    case MessageKind::error: return IDI_HAND;
    case MessageKind::information: return IDI_ASTERISK;
    case MessageKind::confirmation: return IDI_QUESTION;
  }
  return nullptr;
}

// Everything the dialog shows, decided before it exists; its procedure only creates controls.
struct Plan {
  std::string caption;
  const std::string* text = nullptr;
  LPCSTR icon = nullptr;  // which system icon, if any
  HICON icon_image = nullptr;
  int icon_size = 0;
  int dpi = density::design_dpi;  // of the screen the dialog appears on
  HFONT font = nullptr;
  std::vector<int> rows;
  MessageLayout layout;
  int default_row = -1;
  int escape_row = -1;
  Box window;
};

Size screen_size() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

// Measures the text, the captions and the font's average character, and lays the dialog out.
void measure_and_lay_out(Plan& plan, ButtonSet set) {
  WindowDC dc(nullptr);
  const HGDIOBJ previous = SelectObject(dc.get(), plan.font);

  TEXTMETRICA metrics{};
  GetTextMetricsA(dc.get(), &metrics);
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32A(dc.get(), alphabet, 52, &extent);
  const int char_width = (extent.cx / 26 + 1) / 2;
  const DialogSpacing spacing =
      spacing_for_font(char_width, metrics.tmHeight, plan.icon_size);

  const Size screen = screen_size();
  RECT text{0, 0, wrap_width(screen.width), 0};
  DrawTextA(dc.get(), plan.text->c_str(), -1, &text, text_format | DT_CALCRECT);

  int widest_caption = 0;
  for (int row : plan.rows) {
    RECT r{};
    DrawTextA(dc.get(), button_caption(row), -1, &r, DT_SINGLELINE | DT_CALCRECT);
    widest_caption = std::max(widest_caption, static_cast<int>(r.right - r.left));
  }
  SelectObject(dc.get(), previous);

  plan.layout = lay_out_message({text.right - text.left, text.bottom - text.top},
                                plan.icon != nullptr, plan.rows.size(), widest_caption, spacing);
  const density::Size frame = density::outer_size(
      {plan.layout.client.width, plan.layout.client.height},
      frame_thickness(dialog_style, WS_EX_DLGMODALFRAME, plan.dpi));
  plan.window = centred_on_screen({frame.width, frame.height}, screen);
  plan.default_row = default_row(set);
  plan.escape_row = escape_row(set);
}

HWND add_control(HWND dialog, const char* window_class, const char* text, DWORD style, int id,
                 const Box& box, HFONT font) {
  HWND control = CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, box.left,
                                 box.top, box.width, box.height, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 app::instance(), nullptr);
  if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

INT_PTR on_init(HWND dialog, const Plan& plan) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&plan));
  SetWindowTextA(dialog, plan.caption.c_str());
  const MessageLayout& layout = plan.layout;

  if (plan.icon) {
    HWND icon = add_control(dialog, "STATIC", nullptr, SS_ICON, icon_id, layout.icon, nullptr);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(plan.icon_image), 0);
    // Setting the icon sizes the static to the icon; keep it at the size laid out.
    SetWindowPos(icon, nullptr, layout.icon.left, layout.icon.top, layout.icon.width,
                 layout.icon.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  add_control(dialog, "STATIC", plan.text->c_str(), text_style, text_id, layout.text, plan.font);

  HWND focus = nullptr;
  for (std::size_t i = 0; i < plan.rows.size(); ++i) {
    const int row = plan.rows[i];
    const bool is_default = row == plan.default_row;
    HWND button = add_control(dialog, "BUTTON", button_caption(row),
                              WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                                  (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                              first_button_id + row, layout.buttons[i], plan.font);
    if (is_default || !focus) focus = button;
  }
  if (plan.default_row >= 0)
    SendMessageA(dialog, DM_SETDEFID, first_button_id + plan.default_row, 0);

  SetWindowPos(dialog, nullptr, plan.window.left, plan.window.top, plan.window.width,
               plan.window.height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (focus) SetFocus(focus);
  return FALSE;  // the focus is set
}

INT_PTR on_command(HWND dialog, const Plan& plan, int id) {
  if (id == IDCANCEL) {
    // Esc. Closing through the frame arrives as WM_CLOSE instead and gives Cancel.
    if (plan.escape_row >= 0) EndDialog(dialog, button_result(plan.escape_row));
    return TRUE;
  }
  const int row = id - first_button_id;
  if (button_result(row) != 0) EndDialog(dialog, button_result(row));
  return TRUE;
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) return on_init(dialog, *reinterpret_cast<const Plan*>(lparam));
  const auto* plan = reinterpret_cast<const Plan*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (!plan) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) return on_command(dialog, *plan, LOWORD(wparam));
      return FALSE;
    case WM_CLOSE:  // close box, Alt+F4, the system menu
      EndDialog(dialog, results::cancel);
      return TRUE;
  }
  return FALSE;
}

// The dialog manager disables the owner; any other window of this thread is disabled here
// for as long as the dialog is open, so that none of them takes input while it waits.
class OtherWindowsDisabled {
 public:
  explicit OtherWindowsDisabled(HWND owner) : owner_(owner) {
    EnumThreadWindows(GetCurrentThreadId(), disable, reinterpret_cast<LPARAM>(this));
  }
  ~OtherWindowsDisabled() {
    for (HWND window : disabled_) EnableWindow(window, TRUE);
  }
  OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
  OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK disable(HWND window, LPARAM self_address) {
    auto& self = *reinterpret_cast<OtherWindowsDisabled*>(self_address);
    if (window != self.owner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
      try {
        self.disabled_.push_back(window);
      } catch (...) {
        return FALSE;  // no exception may cross the window system; leave the rest enabled
      }
      EnableWindow(window, FALSE);
    }
    return TRUE;
  }

  HWND owner_;
  std::vector<HWND> disabled_;
};

// An empty dialog template: the controls are made in code once the text has been measured.
struct alignas(4) EmptyTemplate {
  DLGTEMPLATE header;
  WORD menu, window_class, title;
};

[[noreturn]] void fatal_stop(const std::string& text) {
  show_message(text, MessageKind::warning, buttons::ok);
  ExitProcess(0);
}

// The wizard owns the dialogs only once it is on the screen: a dialog owned by a hidden window
// has no taskbar button, and the warning of a failed start could be lost behind other windows.
HWND visible_main_window() {
  HWND window = app::main_window();
  return window && IsWindow(window) && IsWindowVisible(window) ? window : nullptr;
}

}  // namespace

int show_message(const std::string& text, MessageKind kind, ButtonSet buttons) {
  Plan plan;
  plan.caption = kind_caption(kind);
  plan.text = &text;
  plan.icon = icon_of(kind);
  plan.rows = button_rows(buttons);
  // The dialog is centred on the screen, and takes the system's metrics (message font, icon
  // size, frame) for the density of the screen there, which need not be the system's.
  const Size screen = screen_size();
  plan.dpi = monitor_dpi(
      MonitorFromPoint({screen.width / 2, screen.height / 2}, MONITOR_DEFAULTTOPRIMARY));
  plan.icon_size = icon_size(plan.dpi);
  // The shared icon has the system's size; at another, a copy of that size.
  const Icon own_icon = plan.icon && plan.icon_size != GetSystemMetrics(SM_CXICON)
                           ? load_system_icon(plan.icon, plan.icon_size)
                           : Icon();
  if (plan.icon) plan.icon_image = own_icon ? own_icon.get() : LoadIconA(nullptr, plan.icon);
  // The system's message font, as its own message boxes use; the stock GUI font if it cannot be
  // had. Either follows the user's font size, which the dialog metrics then follow too.
  GdiObject<HFONT> font = make_message_font(plan.dpi);
  plan.font = font.get() ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  measure_and_lay_out(plan, buttons);

  EmptyTemplate dialog_template{};
  dialog_template.header.style = dialog_style;
  dialog_template.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;

  HWND owner = visible_main_window();
  OtherWindowsDisabled others(owner);
  const INT_PTR result = DialogBoxIndirectParamA(app::instance(), &dialog_template.header, owner,
                                                 dialog_proc, reinterpret_cast<LPARAM>(&plan));
  // The dialog could not be made: a caller asking a question must not read that as Yes.
  return result > 0 ? static_cast<int>(result) : results::cancel;
}

void fatal_missing_file(const std::string& path) {
  fatal_stop(format_text(texts::missing_file, {path}));
}

void fatal_create_folder(const std::string& path) {
  fatal_stop(format_text(texts::create_folder_failed, {path}));
}

void fatal_create_file(const std::string& path) {
  fatal_stop(format_text(texts::create_file_failed, {path}));
}

void fatal_copy_file(const std::string& source, const std::string& destination) {
  fatal_stop(format_text(texts::copy_file_failed, {source, destination}));
}

void fatal_data_read() { fatal_stop(texts::data_read_failed); }

void show_error_box(const std::string& failure_text) {
  const std::string text = failure_text + ".";
  MessageBoxA(visible_main_window(), text.c_str(), app::title().c_str(), MB_OK | MB_ICONHAND);
}

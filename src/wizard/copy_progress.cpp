#include "wizard/copy_progress.h"

#include <commctrl.h>

#include <algorithm>

#include "win/app.h"

namespace {

constexpr DWORD frame_ms = 33;  // about 30 paints a second

// The one run of the process, whose bar the window procedure below serves: a window property
// would cost a round trip to Wine's server for each message.
CopyPageProgress* active = nullptr;

}  // namespace

CopyPageProgress::CopyPageProgress(HWND status, HWND bar) : status_(status), bar_(bar) {
  active = this;
  bar_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&bar_window_proc)));
}

CopyPageProgress::~CopyPageProgress() {
  show_now();
  SetWindowLongPtrA(bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(bar_proc_));
  active = nullptr;
}

void CopyPageProgress::set_status(const std::string& text) {
  // The line's own handling of a new text would draw it at once; the window's text is all
  // that changes here, and the line draws it when it is next painted.
  DefWindowProcA(status_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  status_due_ = true;
}

void CopyPageProgress::set_range(std::uint16_t maximum) {
  SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
  SendMessageA(bar_, PBM_SETPOS, 0, 0);
}

void CopyPageProgress::step() {
  // Read back from the bar, which keeps the position within its range.
  const LRESULT position = SendMessageA(bar_, PBM_GETPOS, 0, 0);
  SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(position + 1), 0);
}

void CopyPageProgress::fill() {
  SendMessageA(bar_, PBM_SETPOS, SendMessageA(bar_, PBM_GETRANGE, FALSE, 0), 0);
  last_state_ = true;  // the run's last report follows: it must be seen
}

void CopyPageProgress::process_messages() {
  const bool due = !painted_once_ || last_state_ || GetTickCount() - painted_at_ >= frame_ms;
  if (due) paint(last_state_);
  app::process_messages(due);
}

void CopyPageProgress::show_now() {
  paint(true);
  UpdateWindow(GetParent(bar_));  // the page and its controls, before anything covers them
}

// The bar's own window procedure, but for its position between paints.
LRESULT CALLBACK CopyPageProgress::bar_window_proc(HWND bar, UINT message, WPARAM w, LPARAM l) {
  CopyPageProgress* self = active;
  switch (message) {
    case PBM_GETPOS:
      if (self->position_) return *self->position_;
      break;
    case PBM_SETPOS: {
      const LRESULT before = SendMessageA(bar, PBM_GETPOS, 0, 0);
      self->position_ = self->within_range(static_cast<int>(w));
      return before;
    }
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      const LRESULT before = CallWindowProcA(self->bar_proc_, bar, message, w, l);
      if (self->position_) self->position_ = self->within_range(*self->position_);
      return before;
    }
    default:
      break;
  }
  return CallWindowProcA(self->bar_proc_, bar, message, w, l);
}

int CopyPageProgress::within_range(int position) const {
  PBRANGE range{};
  CallWindowProcA(bar_proc_, bar_, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  return std::clamp(position, range.iLow, range.iHigh);
}

// Gives the bar the position kept for it; it draws itself at once if that changes it.
void CopyPageProgress::hand_over_position() {
  if (!position_) return;
  const int position = *position_;
  position_.reset();
  CallWindowProcA(bar_proc_, bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// The filled part of the bar in pixels, as far as the position decides it.
int CopyPageProgress::drawn_length(int position) const {
  const auto maximum = static_cast<int>(SendMessageA(bar_, PBM_GETRANGE, FALSE, 0));
  RECT area;
  GetClientRect(bar_, &area);
  return maximum > 0 ? MulDiv(position, area.right - area.left, maximum) : 0;
}

// Asks for what changed since the last paint to be drawn: the status line if its text did,
// the strip of the bar whose drawn length did. The message processing that follows draws it.
// The whole state (the first, the last, the one behind a box) also gives the bar its exact
// position, which may differ from the drawn one by less than a pixel.
void CopyPageProgress::paint(bool whole_state) {
  if (status_due_) InvalidateRect(status_, nullptr, TRUE);
  const int length = drawn_length(static_cast<int>(SendMessageA(bar_, PBM_GETPOS, 0, 0)));
  if (length != painted_length_ || !painted_once_ || (whole_state && position_)) {
    // The bar would repaint all of its filled part; only the strip that changed is drawn.
    SendMessageA(bar_, WM_SETREDRAW, FALSE, 0);
    hand_over_position();
    SendMessageA(bar_, WM_SETREDRAW, TRUE, 0);
    RECT area;
    GetClientRect(bar_, &area);
    const int margin = area.bottom - area.top;  // a block of the bar is narrower than it is high
    RECT strip{area.left + std::min(length, painted_length_) - margin, area.top,
               area.left + std::max(length, painted_length_) + margin, area.bottom};
    InvalidateRect(bar_, painted_once_ ? &strip : nullptr, TRUE);
  }
  painted_length_ = length;
  status_due_ = false;
  painted_once_ = true;
  painted_at_ = GetTickCount();
}

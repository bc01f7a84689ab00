// The wizard window's layout as data: one row per control, in creation order, which is also
// the tab order (the window's own controls after the page area's, each page's in the order
// Tab visits them). Positions are pixels at 96 pixels per inch: relative to the client area
// for the window's controls, to the page area for a page's.
#pragma once

#include <array>
#include <cstdint>

// The controls, in the order the form declares them; the value is the control's window ID.
enum ControlId : int {
  BackButton = 100,
  NextButton,
  CancelButton,
  Notebook,
  WelcomeHeadingLabel,
  WelcomeDescriptionLabel,
  Image,
  WelcomeAdviceLabel,
  LicenseHeadingLabel,
  LicenseMemo,
  LicenseStepLabel,
  DestHeadingLabel,
  DestDescriptionLabel,
  DestStepLabel,
  DestFolderLabel,
  DestFolderInput,
  DestBrowseButton,
  IconHeadingLabel,
  IconFolderLabel,
  IconFolderCheck,
  IconShortcutLabel,
  IconShortcutCheck,
  IconStepLabel,
  CopyHeadingLabel,
  ReadyHeadingLabel,
  ReadyDescriptionLabel,
  ReadyStartLabel,
  ReadyStartCheck,
  ReadyReadmeLabel,
  ReadyReadmeCheck,
  CopyDescriptionLabel,
  CopyStatusLabel,
  CopyProgressBar,
  WelcomeStepLabel,
};

enum Page : int { WelcomePage, LicensePage, DestPage, IconPage, CopyPage, ReadyPage, PageCount };

// The window itself.
inline constexpr int client_width = 427, client_height = 270;

enum class ControlKind : std::uint8_t {
  Label,        // one line
  WrapLabel,    // breaks its text at word boundaries within its width
  Heading,      // one line in the bold heading font
  Button,
  CheckBox,     // starts checked
  Edit,         // single line; not a tab stop (clicking it gives it the focus)
  Memo,         // read-only, multi-line, vertical scroll bar, wraps, button-face background
  ProgressBar,  // range 0 to 100, position 0
  Picture,      // the side picture
  PageArea,     // shows exactly one page, without tabs
};

struct ControlRow {
  ControlId id;
  ControlKind kind;
  int page;  // -1: on the window itself
  int left, top, width, height;
  const char* caption;  // null: none, or set at run time
  bool tab_stop;
  bool black_text;      // the heading and welcome description use black, not window text
};

inline constexpr int on_window = -1;

// Every control, in creation order.
extern const std::array<ControlRow, 34> layout_rows;

// The row of a control.
const ControlRow& layout_row(ControlId id);

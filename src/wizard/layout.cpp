#include "wizard/layout.h"

#include "core/texts.h"

namespace {
using K = ControlKind;
constexpr int W = on_window;
}  // namespace

// clang-format off
const std::array<ControlRow, 34> layout_rows = {{
//  control                  kind          page         left top width height  caption                          tab    black
  {Image,                   K::Picture,   W,           10,  10, 125, 250, nullptr,                          false, false},
  // The page area is no tab stop itself: Tab goes into the page shown, first of all controls.
  {Notebook,                K::PageArea,  W,          156,   8, 265, 217, nullptr,                          false, false},

  {WelcomeHeadingLabel,     K::Heading,   WelcomePage,  8,   8, 237,  17, texts::welcome_heading,           false, true},
  {WelcomeDescriptionLabel, K::WrapLabel, WelcomePage,  8,  40, 225,  41, nullptr,                          false, true},
  {WelcomeAdviceLabel,      K::WrapLabel, WelcomePage,  8,  84, 225,  69, texts::welcome_advice,            false, false},
  {WelcomeStepLabel,        K::WrapLabel, WelcomePage,  8, 160, 225,  45, texts::welcome_step,              false, false},

  {LicenseHeadingLabel,     K::Heading,   LicensePage,  8,   4, 237,  17, texts::license_heading,           false, true},
  {LicenseMemo,             K::Memo,      LicensePage,  8,  24, 253, 149, nullptr,                          true,  false},
  {LicenseStepLabel,        K::WrapLabel, LicensePage,  8, 184, 225,  29, texts::license_step,              false, false},

  {DestHeadingLabel,        K::Heading,   DestPage,     8,   4, 237,  17, texts::dest_heading,              false, true},
  {DestDescriptionLabel,    K::WrapLabel, DestPage,     8,  32, 229,  49, texts::dest_description,          false, false},
  {DestStepLabel,           K::WrapLabel, DestPage,     8,  84, 225,  21, texts::dest_step,                 false, false},
  {DestFolderLabel,         K::Label,     DestPage,     8, 116, 105,  17, texts::dest_folder_label,         false, false},
  {DestFolderInput,         K::Edit,      DestPage,     8, 132, 251,  21, nullptr,                          false, false},
  {DestBrowseButton,        K::Button,    DestPage,   184, 164,  75,  25, texts::button_browse,             true,  false},

  {IconHeadingLabel,        K::Heading,   IconPage,     8,   4, 237,  17, texts::icon_heading,              false, true},
  {IconFolderLabel,         K::WrapLabel, IconPage,     8,  32, 229,  33, texts::icon_folder_question,      false, false},
  {IconFolderCheck,         K::CheckBox,  IconPage,     8,  68, 205,  17, texts::icon_folder_check,         true,  false},
  {IconShortcutLabel,       K::WrapLabel, IconPage,     8, 108, 229,  33, texts::icon_shortcut_question,    false, false},
  {IconShortcutCheck,       K::CheckBox,  IconPage,     8, 144, 205,  17, texts::icon_shortcut_check,       true,  false},
  {IconStepLabel,           K::Label,     IconPage,     8, 184, 221,  17, texts::icon_step,                 false, false},

  {CopyHeadingLabel,        K::Heading,   CopyPage,     8,   4, 237,  17, texts::copy_heading,              false, true},
  {CopyDescriptionLabel,    K::Label,     CopyPage,     8,  32, 225,  17, texts::copy_description,          false, false},
  {CopyStatusLabel,         K::Label,     CopyPage,     8,  80, 225,  17, texts::status_shortcuts,          false, false},
  {CopyProgressBar,         K::ProgressBar, CopyPage,   8, 104, 245,  13, nullptr,                          false, false},

  {ReadyHeadingLabel,       K::Heading,   ReadyPage,    8,   4, 237,  17, texts::ready_heading,             false, true},
  {ReadyDescriptionLabel,   K::WrapLabel, ReadyPage,    8,  32, 225,  69, texts::ready_description,         false, false},
  {ReadyReadmeLabel,        K::WrapLabel, ReadyPage,    8, 108, 225,  21, texts::ready_readme_question,     false, false},
  {ReadyStartLabel,         K::WrapLabel, ReadyPage,    8, 168, 225,  21, texts::ready_start_question,      false, false},
  // The lower check box comes first in the tab order.
  {ReadyStartCheck,         K::CheckBox,  ReadyPage,    8, 188, 185,  17, texts::ready_start_check,         true,  false},
  {ReadyReadmeCheck,        K::CheckBox,  ReadyPage,    8, 128, 169,  17, texts::ready_readme_check,        true,  false},

  {BackButton,              K::Button,    W,          164, 236,  75,  25, texts::button_back,               true,  false},
  {NextButton,              K::Button,    W,          239, 236,  75,  25, texts::button_next,               true,  false},
  {CancelButton,            K::Button,    W,          340, 236,  75,  25, texts::button_cancel,             true,  false},
}};
// clang-format on

const ControlRow& layout_row(ControlId id) {
  for (const ControlRow& row : layout_rows)
    if (row.id == id) return row;
  return layout_rows.front();  // every ControlId has a row; the layout tests make sure
}

// The wizard window built inside the test process, where its fonts and focus can be read:
// the controls' fonts, the tab order of every page, and entering each page.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/setup_data_writer.h"
#include "core/texts.h"
#include "tests/support/win_test_support.h"
#include "wizard/Main.h"
#include "wizard/scaling.h"

using namespace wintest;

namespace {

// Setup.dat beside the test program, which is where the wizard looks for it.
void write_setup_dat_beside_me() {
  const std::string path = beside_running_program("Setup.dat");
  SetupHeader header;
  header.product_name.assign("Marbelo Orbit 2.0 Professionals");  // 31: the longest welcome
  MemoryOutputStream out;
  SetupDataWriter writer(out, header);
  writer.end_list();
  writer.end_list();
  write_file(path, std::string(out.bytes().begin(), out.bytes().end()));
}

class WizardWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    write_setup_dat_beside_me();
    form_ = new TMainForm;
    MainForm = form_;
    form_->create();
  }
  static void TearDownTestSuite() {
    DestroyWindow(form_->handle());
    delete form_;
  }
  // The controls Tab visits from Next, in order, until it comes back to Next.
  static std::vector<int> tab_cycle() {
    std::vector<int> ids;
    HWND start = form_->control(NextButton), c = start;
    for (int guard = 0; guard < 40; ++guard) {
      c = GetNextDlgTabItem(form_->handle(), c, FALSE);
      if (!c || c == start) break;
      ids.push_back(GetDlgCtrlID(c));
    }
    return ids;
  }
  static TMainForm* form_;
};
TMainForm* WizardWindow::form_ = nullptr;

}  // namespace

namespace {

// Everything of the layout at one density, read from the window: the client area, every
// control's rectangle within a pixel of the design's scaled by dpi / 96, every font's height
// scaled, and every label's text fitting its rectangle in its own font, wrapped where the label
// wraps. Texts the run or a failed run put in labels are tried in theirs too.
void expect_laid_out_at(TMainForm& form, int dpi) {
  SCOPED_TRACE(dpi);
  // Only a real move gives the frame (caption, borders) the new density: the client area of a
  // move the test makes up is the suggested rectangle less the frame at the old one.
  const bool real_density = dpi == window_dpi(form.handle());
  const auto within_a_pixel = [&](int actual, int design) {
    EXPECT_LE(std::abs(actual * 96 - design * dpi), 96) << actual << " for " << design;
  };
  if (real_density) {
    RECT client;
    GetClientRect(form.handle(), &client);
    within_a_pixel(client.right, client_width);
    within_a_pixel(client.bottom, client_height);
  }

  const std::vector<std::pair<ControlId, std::string>> run_texts = {
      {CopyStatusLabel, texts::status_preparing},
      {CopyStatusLabel, "Decompressing Parameters.mpr ..."},
      {ReadyHeadingLabel, texts::ready_failed_heading},
      {ReadyDescriptionLabel, texts::ready_failed_description}};
  for (const ControlRow& row : layout_rows) {
    SCOPED_TRACE(row.id);
    HWND c = form.control(row.id);
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, GetParent(c), reinterpret_cast<POINT*>(&r), 2);
    within_a_pixel(r.left, row.left);
    within_a_pixel(r.top, row.top);
    within_a_pixel(r.right - r.left, row.width);
    within_a_pixel(r.bottom - r.top, row.height);
    if (row.kind == ControlKind::Picture || row.kind == ControlKind::PageArea) continue;

    LOGFONTA font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0));
    ASSERT_TRUE(GetObjectA(handle, sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(font.lfHeight, MulDiv(-11, dpi, 96));
    EXPECT_EQ(font.lfWeight, row.kind == ControlKind::Heading ? FW_BOLD : FW_NORMAL);

    if (row.kind != ControlKind::Label && row.kind != ControlKind::WrapLabel &&
        row.kind != ControlKind::Heading)
      continue;
    std::vector<std::string> shown{text_of(c)};
    for (const auto& [id, text] : run_texts)
      if (id == row.id) shown.push_back(text);
    const LONG style = GetWindowLongA(c, GWL_STYLE);
    RECT area;
    GetClientRect(c, &area);
    HDC dc = GetDC(c);
    const HGDIOBJ before = SelectObject(dc, handle);
    for (const std::string& text : shown) {
      RECT needed{0, 0, area.right, 0};
      DrawTextA(dc, text.c_str(), -1, &needed,
                DT_CALCRECT | (row.kind == ControlKind::WrapLabel ? DT_WORDBREAK : DT_SINGLELINE) |
                    (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
      EXPECT_LE(needed.right, area.right) << text;
      EXPECT_LE(needed.bottom, area.bottom) << text;
    }
    SelectObject(dc, before);
    ReleaseDC(c, dc);
  }
}

}  // namespace

TEST_F(WizardWindow, LaidOutAtTheScreensDensity) {
  // The test script runs this at the densities it sets for the prefix, and says which.
  if (const char* expected = std::getenv("MO_EXPECT_DPI")) {
    EXPECT_EQ(form_->dpi(), std::atoi(expected));
  }
  expect_laid_out_at(*form_, form_->dpi());
}

TEST_F(WizardWindow, LaysItselfOutAgainOnAScreenOfAnotherDensity) {
  // As the system reports a move to a screen of another density: the new density, and the
  // rectangle it suggests for the window there.
  const int own = form_->dpi();
  RECT before;
  GetWindowRect(form_->handle(), &before);
  for (int dpi : {144, 120, own}) {
    SIZE size{};
    SendMessageA(form_->handle(), 0x02E4 /* WM_GETDPISCALEDSIZE */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&size));
    RECT suggested{before.left, before.top, before.left + size.cx, before.top + size.cy};
    SendMessageA(form_->handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    GetWindowRect(form_->handle(), &now);
    EXPECT_EQ(now.right - now.left, size.cx);
    EXPECT_EQ(now.bottom - now.top, size.cy);
    expect_laid_out_at(*form_, dpi);
  }
  RECT after;
  GetWindowRect(form_->handle(), &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(WizardWindow, TakesItsSizeFromTheLayoutAndOnlyThePlaceFromTheSuggestion) {
  // As a system that draws the frame at its own density wherever the window is (Windows 8.1)
  // suggests: the whole window scaled, frame included. (Never to 96 from a denser prefix: Wine's
  // MS Sans Serif there has no size as small as 96's, and the labels' texts would not fit.)
  const int own = form_->dpi(), other = own == 144 ? 120 : 144;
  RECT before, now;
  GetWindowRect(form_->handle(), &before);
  now = before;
  for (int dpi : {other, own}) {
    SCOPED_TRACE(dpi);
    const int from = form_->dpi(), left = now.left + (dpi == own ? -7 : 7);
    RECT suggested{left, now.top, left + MulDiv(now.right - now.left, dpi, from),
                   now.top + MulDiv(now.bottom - now.top, dpi, from)};
    SendMessageA(form_->handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    // The size it asks for beforehand where the system asks, at the suggested place.
    SIZE size{};
    SendMessageA(form_->handle(), 0x02E4 /* WM_GETDPISCALEDSIZE */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&size));
    GetWindowRect(form_->handle(), &now);
    EXPECT_EQ(now.left, left);
    EXPECT_EQ(now.top, before.top);
    EXPECT_EQ(now.right - now.left, size.cx);
    EXPECT_EQ(now.bottom - now.top, size.cy);
    // Where the frame stays at the system's density, a made-up move gives the layout's client
    // area exactly, as a real one does; where it follows the window's, only a real move does.
    if (!frame_follows_window_density()) {
      RECT client;
      GetClientRect(form_->handle(), &client);
      const RECT layout = scaled_rect({0, 0, client_width, client_height}, dpi);
      EXPECT_EQ(client.right, layout.right);
      EXPECT_EQ(client.bottom, layout.bottom);
    }
    expect_laid_out_at(*form_, dpi);
  }
  EXPECT_EQ(now.left, before.left);
  EXPECT_EQ(now.right, before.right);
  EXPECT_EQ(now.bottom, before.bottom);
}

TEST_F(WizardWindow, TabOrderOfEveryPage) {
  // On each page: its own tab stops first (the edit field of the Dest page is skipped), then
  // the buttons that can take the focus there.
  const struct {
    int page;
    std::vector<int> from_next;
  } pages[] = {
      {WelcomePage, {CancelButton}},
      {LicensePage, {CancelButton, LicenseMemo, BackButton}},
      {DestPage, {CancelButton, DestBrowseButton, BackButton}},
      {IconPage, {CancelButton, IconFolderCheck, IconShortcutCheck, BackButton}},
      {ReadyPage, {ReadyStartCheck, ReadyReadmeCheck}},
  };
  for (const auto& p : pages) {
    SCOPED_TRACE(p.page);
    form_->show_page(p.page);
    EXPECT_EQ(tab_cycle(), p.from_next);
  }
  form_->show_page(WelcomePage);
}

TEST_F(WizardWindow, EnteringPagesSetsTheButtons) {
  HWND back = form_->control(BackButton), next = form_->control(NextButton),
       cancel = form_->control(CancelButton);
  form_->show_page(LicensePage);
  EXPECT_EQ(form_->current_page(), LicensePage);
  EXPECT_EQ(text_of(next), "&Yes");
  EXPECT_EQ(text_of(cancel), "&No");
  EXPECT_EQ(GetFocus(), next);

  form_->show_page(DestPage);
  EXPECT_EQ(text_of(next), "&Next >");
  EXPECT_EQ(text_of(cancel), "Cancel");

  form_->show_page(ReadyPage);
  EXPECT_EQ(text_of(next), "&Finish");
  EXPECT_EQ(text_of(cancel), "Cancel");  // kept from before
  EXPECT_FALSE(IsWindowVisible(back));
  EXPECT_FALSE(IsWindowVisible(cancel));
  EXPECT_TRUE(IsWindowVisible(form_->control(ReadyHeadingLabel)));
  EXPECT_FALSE(IsWindowVisible(form_->control(WelcomeHeadingLabel)));

  // Out of range: nothing changes at all.
  form_->show_page(-1);
  form_->show_page(PageCount);
  EXPECT_EQ(form_->current_page(), ReadyPage);
  EXPECT_EQ(text_of(next), "&Finish");

  form_->show_page(WelcomePage);
  EXPECT_FALSE(IsWindowEnabled(back));
  EXPECT_TRUE(IsWindowVisible(back));
  EXPECT_TRUE(IsWindowVisible(cancel));
  EXPECT_EQ(text_of(next), "&Next >");
}

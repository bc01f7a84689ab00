// The wizard window built inside the test process, where its fonts and focus can be read:
// the controls' fonts, the tab order of every page, and entering each page.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/setup_data_writer.h"
#include "core/texts.h"
#include "tests/support/win_test_support.h"
#include "wizard/Main.h"

using namespace wintest;

namespace {

// Setup.dat beside the test program, which is where the wizard looks for it.
void write_setup_dat_beside_me() {
  const std::string path = beside_running_program("Setup.dat");
  SetupHeader header;
  header.product_name.assign("Marbelo Orbit");
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

TEST_F(WizardWindow, FontsOfEveryControl) {
  for (const ControlRow& row : layout_rows) {
    if (row.kind == ControlKind::Picture || row.kind == ControlKind::PageArea) continue;
    SCOPED_TRACE(row.id);
    LOGFONTA font{};
    auto handle = reinterpret_cast<HFONT>(SendMessageA(form_->control(row.id), WM_GETFONT, 0, 0));
    ASSERT_TRUE(GetObjectA(handle, sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_EQ(font.lfWeight, row.kind == ControlKind::Heading ? FW_BOLD : FW_NORMAL);
  }
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

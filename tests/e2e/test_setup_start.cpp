// The real Setup.exe started from outside: the fatal stop without a usable Setup.dat, the
// wizard window as laid out, and the two roles chosen by the program's file name.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <thread>

#include "core/texts.h"
#include "tests/e2e/driver.h"
#include "wizard/layout.h"

using namespace e2e;

namespace {

// A message as the dialog shows it: its lines may come back with "\r\n" between them.
bool shows_message(HWND dialog, const std::string& message) {
  for (std::string text : texts_below(dialog)) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at + 1, 1);
    if (text == message) return true;
  }
  return false;
}

bool wizard_ever_visible(DWORD process_id) {
  for (HWND window : top_windows(process_id))
    if (class_of(window) == "TMainForm" && IsWindowVisible(window)) return true;
  return false;
}

// Starts Setup.exe in a workspace holding the given Setup.dat (none when null).
struct Started {
  Workspace space;
  std::unique_ptr<Program> program;
  Started(const std::string& name, const std::string* setup_dat, const char* exe_name = "Setup.exe")
      : space(name) {
    EXPECT_TRUE(CopyFileA(setup_exe().c_str(), space.path(exe_name).c_str(), FALSE))
        << setup_exe() << " -> " << space.path(exe_name);
    if (setup_dat) space.write("Setup.dat", *setup_dat);
    program = std::make_unique<Program>(space.path(exe_name), space.dir());
    EXPECT_NE(program->id(), 0u) << "could not start " << space.path(exe_name);
  }
};

}  // namespace

TEST(SetupStart, WithoutUsableSetupDatWarnsAndEndsBeforeAnyWindow) {
  const std::string header_only = setup_data_bytes("Marbelo Orbit").substr(0, 112);
  const std::string short_by_one = header_only.substr(0, 111);
  const std::string empty;
  const struct {
    const char* name;
    const std::string* setup_dat;
  } cases[] = {{"missing", nullptr}, {"empty", &empty}, {"short", &short_by_one}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Started run(std::string("fatal-") + c.name, c.setup_dat);
    HWND dialog = wait_for_window(run.program->id(), texts::caption_warning);
    ASSERT_TRUE(dialog);
    const std::string expected =
        "Marbelo Orbit Setup cannot find the required file '" + run.space.path("Setup.dat") +
        "'.\rMake sure it exists in the proper directory and try again.";
    EXPECT_TRUE(shows_message(dialog, expected));
    EXPECT_FALSE(wizard_ever_visible(run.program->id()));
    HWND ok = child_with_text(dialog, texts::button_ok);
    ASSERT_TRUE(ok);
    click(ok);
    EXPECT_EQ(run.program->wait_exit(10000), 0);
  }

  // Exactly the 112 header bytes pass the start-up read.
  Started run("fatal-header-only", &header_only);
  EXPECT_TRUE(wait_for_window(run.program->id(), texts::setup_title));
}

TEST(SetupStart, UnderTheUninstallerNameItIsNotTheWizard) {
  // Any letter case: the uninstaller, which finds no log beside it here and says so.
  for (const char* name : {"Uninst.exe", "UNINST.EXE", "uninst.exe"}) {
    SCOPED_TRACE(name);
    const std::string data = setup_data_bytes("Marbelo Orbit");
    Started run(std::string("uninst-") + name, &data, name);
    HWND warning = wait_for_window(run.program->id(), texts::caption_warning);
    ASSERT_TRUE(warning);
    EXPECT_TRUE(shows_message(warning, texts::uninstall_log_unreadable));
    EXPECT_FALSE(wizard_ever_visible(run.program->id()));
    click(child_with_text(warning, texts::button_ok));
    EXPECT_EQ(run.program->wait_exit(10000), 0);
  }
  // Names that only resemble it choose the wizard.
  for (const char* name : {"Uninst.exe.bak.exe", "MyUninst.exe", "Uninst.com"}) {
    SCOPED_TRACE(name);
    const std::string data = setup_data_bytes("Marbelo Orbit");
    Started run(std::string("setup-") + name, &data, name);
    EXPECT_TRUE(wait_for_window(run.program->id(), texts::setup_title));
  }
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = setup_data_bytes(product_);
    run_ = std::make_unique<Started>("wizard", &data_);
    window_ = wait_for_window(run_->program->id(), texts::setup_title);
    ASSERT_TRUE(window_);
  }
  // Pages have small numbers of their own; every control's number is unique.
  HWND control(ControlId id) const { return child_with_id(window_, id); }
  std::string product_ = "Marbelo Orbit 2.0";
  std::string data_;
  std::unique_ptr<Started> run_;
  HWND window_ = nullptr;
};

TEST_F(Wizard, WindowPropertiesAndWelcomeText) {
  RECT client;
  GetClientRect(window_, &client);
  const RECT design = scaled(0, 0, client_width, client_height);
  EXPECT_EQ(client.right, design.right);
  EXPECT_EQ(client.bottom, design.bottom);
  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_SYSMENU);

  RECT frame;
  GetWindowRect(window_, &frame);
  const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(frame.left, screen_w - frame.right, 1);
  EXPECT_NEAR(frame.top, screen_h - frame.bottom, 1);

  EXPECT_EQ(text_of(control(WelcomeDescriptionLabel)),
            "This program will install Marbelo Orbit 2.0 on your computer.");
}

TEST_F(Wizard, EveryControlAsLaidOut) {
  for (const ControlRow& row : layout_rows) {
    SCOPED_TRACE(row.id);
    HWND c = control(row.id);
    ASSERT_TRUE(c);
    const RECT r = rect_in_parent(c), want = scaled(row.left, row.top, row.width, row.height);
    EXPECT_EQ(r.left, want.left);
    EXPECT_EQ(r.top, want.top);
    EXPECT_EQ(r.right, want.right);
    EXPECT_EQ(r.bottom, want.bottom);
    if (row.caption) {
      EXPECT_EQ(text_of(c), row.caption);
    }
    const bool tab_stop = GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP;
    EXPECT_EQ(tab_stop, row.tab_stop);
    if (row.kind == ControlKind::CheckBox) {
      EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    }
    // Only the Welcome page's controls are showing at start.
    const bool on_shown_page = row.page == on_window || row.page == WelcomePage;
    EXPECT_EQ(IsWindowVisible(c) != FALSE, on_shown_page);
  }
  HWND bar = control(CopyProgressBar);
  // Fonts are checked inside the process (a font handle means nothing in another one).
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(text_of(control(DestFolderInput)).substr(1),
            runs_on_wow64() ? ":\\Program Files (x86)\\Marbelo Orbit"
                            : ":\\Program Files\\Marbelo Orbit");

  // Welcome page buttons: Back disabled, Next and Cancel ready.
  EXPECT_FALSE(IsWindowEnabled(control(BackButton)));
  EXPECT_TRUE(IsWindowEnabled(control(NextButton)));
  EXPECT_TRUE(IsWindowEnabled(control(CancelButton)));
}

TEST_F(Wizard, TabOrderOfTheWindow) {
  // From the Next button, Tab visits Cancel, then (the page area holds no tab stop on the
  // Welcome page, and Back is disabled there) Next again.
  HWND next = control(NextButton), cancel = control(CancelButton);
  EXPECT_EQ(GetNextDlgTabItem(window_, next, FALSE), cancel);
  EXPECT_EQ(GetNextDlgTabItem(window_, cancel, FALSE), next);
  EXPECT_EQ(GetNextDlgTabItem(window_, next, TRUE), cancel);
}

TEST_F(Wizard, SunkenFrameIsRedrawnAfterBeingCovered) {
  // Cover the picture's frame with a window of our own, then uncover it. The cover lives on a
  // thread of its own that answers its messages, so that nothing the wizard's thread sends it
  // while activation moves about can wait on this test.
  POINT origin{0, 0};
  ClientToScreen(window_, &origin);
  const RECT covered = scaled(0, 0, 200, 280);
  std::thread([&] {
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE, "STATIC", "",
                                 WS_POPUP | WS_VISIBLE | SS_BLACKRECT, origin.x, origin.y,
                                 covered.right, covered.bottom, nullptr, nullptr, nullptr, nullptr);
    const DWORD until = GetTickCount() + 300;
    for (MSG msg; GetTickCount() < until;) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(10);
    }
    DestroyWindow(cover);
  }).join();
  Sleep(500);

  HDC screen = GetDC(nullptr);
  auto pixel = [&](int x, int y) { return GetPixel(screen, origin.x + x, origin.y + y); };
  // A sunken edge in the band around the picture (2 pixels at 96 pixels per inch, each tone as
  // thick as the band allows above): shadow outside and dark shadow inside at the top and left,
  // highlight outside and light inside at the bottom and right.
  const ControlRow& image = layout_row(Image);
  const RECT p = scaled(image.left, image.top, image.width, image.height);
  const int band = scaled(0, 0, 2, 0).right, middle_x = (p.left + p.right) / 2,
            middle_y = (p.top + p.bottom) / 2;
  EXPECT_EQ(pixel(p.left - band, middle_y), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pixel(p.left - 1, middle_y), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(pixel(middle_x, p.top - band), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pixel(p.right + band - 1, middle_y), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(pixel(p.right, middle_y), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(pixel(middle_x, p.bottom + band - 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  ReleaseDC(nullptr, screen);
}

TEST_F(Wizard, CancelAsksAndOnlyYesCloses) {
  click(control(CancelButton));
  HWND confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  click(child_with_text(confirm, texts::button_no));
  Sleep(500);
  ASSERT_TRUE(run_->program->running()) << "exit code " << run_->program->wait_exit(0);
  EXPECT_TRUE(IsWindowVisible(window_));

  click(control(CancelButton));
  confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  click(child_with_text(confirm, texts::button_yes));
  EXPECT_EQ(run_->program->wait_exit(10000), 0);
}

TEST_F(Wizard, AltFTakesTheKeyboardIntoTheDestinationField) {
  ASSERT_TRUE(to_dest_page(control(NextButton)));
  HWND field = control(DestFolderInput);
  ASSERT_NE(focus_of(window_), field);
  press_alt_key(window_, 'F');
  for (int i = 0; i < 40 && focus_of(window_) != field; ++i) Sleep(50);
  EXPECT_EQ(focus_of(window_), field);
  // Its text selected, so that typing replaces it.
  const LRESULT selection = SendMessageA(field, EM_GETSEL, 0, 0);
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), text_of(field).size());
  EXPECT_FALSE(text_of(field).empty());
}

TEST_F(Wizard, ACancelledWizardTakesAwayOnlyTheFolderItMade) {
  const std::string existing = run_->space.path("Existing");
  const std::string made = run_->space.path("Made");
  ASSERT_TRUE(CreateDirectoryA(existing.c_str(), nullptr));
  ASSERT_TRUE(to_dest_page(control(NextButton)));
  auto leave_dest_page_for = [&](const std::string& folder) {
    SendMessageA(control(DestFolderInput), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    click(control(NextButton));
  };
  // A folder that was there: used after the question, and never removed.
  leave_dest_page_for(existing);
  HWND confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  click(child_with_text(confirm, texts::button_yes));
  ASSERT_TRUE(wait_for_text(control(NextButton), texts::button_install));
  click(control(BackButton));
  // A new one, made by leaving the page: gone again once the wizard is cancelled.
  leave_dest_page_for(made);
  ASSERT_TRUE(wait_for_text(control(NextButton), texts::button_install));
  EXPECT_TRUE(wintest::is_folder(made));
  click(control(CancelButton));
  confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  click(child_with_text(confirm, texts::button_yes));
  EXPECT_EQ(run_->program->wait_exit(10000), 0);
  EXPECT_FALSE(wintest::exists(made));
  EXPECT_TRUE(wintest::is_folder(existing));
}

TEST_F(Wizard, EnterGoesOnAndEscAsksToCancel) {
  press_key(window_, VK_RETURN);
  Sleep(300);
  EXPECT_EQ(text_of(control(NextButton)), texts::button_yes);  // the License page
  EXPECT_TRUE(IsWindowVisible(control(LicenseMemo)));

  // Esc acts as the No button there: the close confirmation, whose own Esc answers No.
  press_key(window_, VK_ESCAPE);
  HWND confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  press_key(confirm, VK_ESCAPE);
  Sleep(300);
  EXPECT_FALSE(IsWindow(confirm));
  EXPECT_TRUE(run_->program->running());

  // The same from inside the license text, which takes every key for itself: its Esc must
  // still ask, and the page must stay whole.
  HWND memo = control(LicenseMemo);
  mouse_click(memo);
  ASSERT_EQ(focus_of(window_), memo);
  press_key(window_, VK_ESCAPE);
  confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  press_key(confirm, VK_ESCAPE);
  Sleep(300);
  EXPECT_TRUE(IsWindow(memo) && IsWindowVisible(memo));
  EXPECT_TRUE(run_->program->running());

  // The license's 57 lines, with no empty line after them.
  const std::string license = text_of(memo);
  std::size_t breaks = 0;
  for (std::size_t at = 0; (at = license.find("\r\n", at)) != std::string::npos; at += 2) ++breaks;
  EXPECT_EQ(breaks, 56u);
  EXPECT_NE(license.back(), '\n');

  // Tab leaves the text box for the next control in the tab order, the Back button.
  mouse_click(memo);
  press_key(window_, VK_TAB);
  Sleep(300);
  EXPECT_EQ(focus_of(window_), control(BackButton));

  // The title bar's close box asks the same question.
  PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  press_key(confirm, VK_RETURN);  // Yes is the default
  EXPECT_EQ(run_->program->wait_exit(10000), 0);
}

TEST_F(Wizard, EnterBelongsToAFocusedPushButton) {
  // Cancel clicked with the mouse, answered No: the focus is back on Cancel, and Enter is
  // Cancel's again, not Next's.
  mouse_click(control(CancelButton));
  HWND confirm = wait_for_window(run_->program->id(), texts::caption_confirm);
  ASSERT_TRUE(confirm);
  press_key(confirm, VK_ESCAPE);
  Sleep(300);
  ASSERT_EQ(focus_of(window_), control(CancelButton));
  // The default look went with it.
  auto looks_default = [&](ControlId id) {
    return (GetWindowLongA(control(id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  EXPECT_TRUE(looks_default(CancelButton));
  EXPECT_FALSE(looks_default(NextButton));
  press_key(window_, VK_RETURN);
  confirm = wait_for_window(run_->program->id(), texts::caption_confirm, 3000);
  ASSERT_TRUE(confirm) << "Enter went to Next";
  press_key(confirm, VK_ESCAPE);
  Sleep(300);
  EXPECT_TRUE(IsWindowVisible(control(WelcomeDescriptionLabel)));

  // On to the License page, where a click in the text box gives Next its look back.
  mouse_click(control(NextButton));
  ASSERT_TRUE(IsWindowVisible(control(LicenseMemo)));
  mouse_click(control(LicenseMemo));
  EXPECT_TRUE(looks_default(NextButton));
  EXPECT_FALSE(looks_default(CancelButton));
  EXPECT_FALSE(looks_default(BackButton));
}

// The DLLs Setup.exe imports, read from its import table.
std::vector<std::string> imported_dlls(const std::string& exe) {
  const std::string image = wintest::read_file(exe);
  auto at = [&](std::size_t offset, std::size_t size) -> const char* {
    return offset + size <= image.size() ? image.data() + offset : nullptr;
  };
  std::vector<std::string> names;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
  if (!dos) return names;
  // The section table follows the optional header, whose size the file header gives: a 32-bit
  // and a 64-bit program differ there, and in where the import directory lies.
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS32)));
  if (!nt) return names;
  const std::size_t optional = dos->e_lfanew + 4 + sizeof(IMAGE_FILE_HEADER);
  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
      at(optional + nt->FileHeader.SizeOfOptionalHeader,
         nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)));
  if (!sections) return names;
  auto file_offset = [&](DWORD rva) -> std::size_t {
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return image.size();
  };
  const auto* plus = reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(
      at(optional, sizeof(IMAGE_OPTIONAL_HEADER64)));
  const DWORD imports =
      nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC && plus
          ? plus->DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress
          : nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (std::size_t offset = file_offset(imports);; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
        at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
    if (!entry || entry->Name == 0) break;
    const char* name = at(file_offset(entry->Name), 1);
    if (!name) break;
    std::string lower(name, strnlen(name, image.data() + image.size() - name));
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    names.push_back(lower);
  }
  return names;
}

TEST(SetupStart, ImportsOnlyDllsWindowsTakesFromTheSystemFolder) {
  // An installer runs from a download folder, where a planted DLL of an imported name would be
  // loaded unless the DLL is one Windows always takes from the system folder.
  const std::vector<std::string> known = {"advapi32.dll", "gdi32.dll", "kernel32.dll",
                                          "msvcrt.dll",   "ole32.dll", "shell32.dll",
                                          "user32.dll"};
  const std::vector<std::string> imported = imported_dlls(setup_exe());
  ASSERT_FALSE(imported.empty());
  for (const std::string& dll : imported)
    EXPECT_NE(std::find(known.begin(), known.end(), dll), known.end()) << dll;
}

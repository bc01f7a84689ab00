// A whole installation through the real wizard, as a user clicks it: every page, the Copy page
// running the installation, the Ready page, Finish; then what it left on disk and in the
// registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/density.h"
#include "core/setup_data_writer.h"
#include "core/texts.h"
#include "core/uninstall_log.h"
#include "tests/e2e/driver.h"
#include "tests/win/registry_test_keys.h"
#include "win/files.h"
#include "wizard/layout.h"

using namespace e2e;

namespace {

constexpr char product[] = "MoE2E Orbit";
constexpr char settings_key[] = "Software\\MoSetupTests\\E2E Install";
constexpr char uninstall_key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MoE2E Orbit";

std::string sample_setup_dat() {
  SetupHeader header;
  header.product_name.assign(product);
  header.settings_key.assign(settings_key);
  header.file_date = 45306.4375;  // 2024-01-15 10:30:00, a DOS date-time exactly
  MemoryOutputStream out;
  SetupDataWriter w(out, header);
  w.file("Readme.txt", "Read me first.\r\n");
  w.begin_folder("Formula");
  w.file("Standard.mfm", "z = z*z + c");
  w.end_list();
  w.end_list();
  w.companion("Tile.bmp");
  w.end_list();
  return std::string(out.bytes().begin(), out.bytes().end());
}

void clean_registry() {
  RegDeleteTreeA(HKEY_CURRENT_USER, settings_key);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstall_key);
}

std::string registry_text(HKEY root, const std::string& key, const char* name) {
  char data[512] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "<missing>";
  return data;
}

// The wizard's controls, and a button's caption waited for as the pages change.
struct WizardWindow {
  HWND window;
  HWND control(ControlId id) const { return child_with_id(window, id); }
  bool caption_is(ControlId id, const char* text) const { return wait_for_text(control(id), text); }
  bool to_dest_page() const { return e2e::to_dest_page(control(NextButton)); }
  // From the first page into a folder that exists (answering the question Yes), without
  // shortcuts, up to the click on Install; whether every page came as it should.
  bool install_into_existing(DWORD process_id, const std::string& folder) const {
    if (!to_dest_page()) return false;
    SendMessageA(control(DestFolderInput), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    click(control(NextButton));
    HWND confirm = wait_for_window(process_id, texts::caption_confirm);
    if (!confirm) return false;
    click(child_with_text(confirm, texts::button_yes));
    if (!caption_is(NextButton, texts::button_install)) return false;
    SendMessageA(control(IconFolderCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(control(IconShortcutCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    click(control(NextButton));
    return true;
  }
};

// The error box: the system's message box, whose caption is the wizard's own.
HWND wait_for_error_box(DWORD process_id) {
  for (int i = 0; i < 200; ++i) {
    for (HWND window : top_windows(process_id))
      if (class_of(window) == "#32770" && IsWindowVisible(window) &&
          text_of(window) == texts::setup_title)
        return window;
    Sleep(50);
  }
  return nullptr;
}

}  // namespace

TEST(Install, AFailedRunIsReportedAndTheReadyPageFollows) {
  // A folder where the log is to be made: the run fails before it extracts anything.
  Workspace source("failed-source");
  Workspace dest("failed-dest");
  CopyFileA(setup_exe().c_str(), source.path("Setup.exe").c_str(), FALSE);
  source.write("Setup.dat", sample_setup_dat());
  ASSERT_TRUE(CreateDirectoryA(dest.path("Uninst.dat").c_str(), nullptr));

  Program setup(source.path("Setup.exe"), source.dir());
  HWND window = wait_for_window(setup.id(), texts::setup_title);
  ASSERT_TRUE(window);
  const WizardWindow wizard{window};
  auto control = [&](ControlId id) { return wizard.control(id); };
  auto caption_is = [&](ControlId id, const char* text) { return wizard.caption_is(id, text); };
  ASSERT_TRUE(wizard.install_into_existing(setup.id(), dest.dir()));

  HWND error_box = wait_for_error_box(setup.id());
  ASSERT_TRUE(error_box);
  const std::string expected = "Cannot create file " + dest.path("Uninst.dat") + ".";
  bool shown = false;
  for (const std::string& text : texts_below(error_box)) shown |= text == expected;
  EXPECT_TRUE(shown) << expected;
  click(child_with_text(error_box, "OK"));

  // Then the Ready page, as after any run, but it says the installation did not complete, and
  // Finish is set to start nothing.
  ASSERT_TRUE(caption_is(NextButton, texts::button_finish));
  EXPECT_FALSE(IsWindowVisible(control(CancelButton)));
  EXPECT_EQ(text_of(control(ReadyHeadingLabel)), texts::ready_failed_heading);
  EXPECT_EQ(text_of(control(ReadyDescriptionLabel)), texts::ready_failed_description);
  EXPECT_EQ(SendMessageA(control(ReadyReadmeCheck), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(control(ReadyStartCheck), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  click(control(NextButton));
  EXPECT_EQ(setup.wait_exit(10000), 0);
  EXPECT_FALSE(wintest::exists(dest.path("Readme.txt")));
}

namespace {

// Pixels as 0x00RRGGBB, row by row.
using Pixels = std::vector<std::uint32_t>;

Pixels pixels_of(HDC dc, int left, int top, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  Pixels out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ before = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, dc, left, top, SRCCOPY);
  SelectObject(memory, before);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), out.data(), &info, DIB_RGB_COLORS);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return out;
}

// What the screen shows in a window's client area.
Pixels on_screen(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  HDC screen = GetDC(nullptr);
  Pixels out = pixels_of(screen, origin.x, origin.y, r.right, r.bottom);
  ReleaseDC(nullptr, screen);
  return out;
}

// One line as a label of the wizard draws it at the test's density: its font, window-text on
// button face; an "&" shown as it is, or taken for a mnemonic.
Pixels label_drawing(const std::string& text, SIZE size, bool as_prefix) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
  HFONT font = CreateFontA(density::scale(-11, expected_dpi()), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
  const HGDIOBJ old_bitmap = SelectObject(dc, bitmap), old_font = SelectObject(dc, font);
  RECT area{0, 0, size.cx, size.cy};
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, text.c_str(), -1, &area, DT_LEFT | DT_EXPANDTABS | (as_prefix ? 0 : DT_NOPREFIX));
  Pixels out = pixels_of(dc, 0, 0, size.cx, size.cy);
  SelectObject(dc, old_font);
  SelectObject(dc, old_bitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return out;
}

}  // namespace

TEST(Install, AStoppedRunShowsWhereItStoppedBehindItsWarning) {
  // The second of three files cannot be made (a folder has its name), and its name holds an
  // "&", which the status line must show as it is.
  Workspace source("stopped-source");
  Workspace dest("stopped-dest");
  CopyFileA(setup_exe().c_str(), source.path("Setup.exe").c_str(), FALSE);
  SetupHeader header;
  header.product_name.assign("R&D Orbit");
  MemoryOutputStream out;
  SetupDataWriter w(out, header);
  w.file("A.txt", "first");
  w.file("R&D.txt", "second");
  w.file("Z.txt", "third");
  w.end_list();
  w.end_list();
  source.write("Setup.dat", std::string(out.bytes().begin(), out.bytes().end()));
  ASSERT_TRUE(CreateDirectoryA(dest.path("R&D.txt").c_str(), nullptr));

  Program setup(source.path("Setup.exe"), source.dir());
  HWND window = wait_for_window(setup.id(), texts::setup_title);
  ASSERT_TRUE(window);
  const WizardWindow wizard{window};
  auto control = [&](ControlId id) { return wizard.control(id); };
  // The product's name as it is in the welcome text, not as a mnemonic.
  EXPECT_TRUE(GetWindowLongA(control(WelcomeDescriptionLabel), GWL_STYLE) & SS_NOPREFIX);
  ASSERT_TRUE(wizard.install_into_existing(setup.id(), dest.dir()));

  HWND warning = wait_for_window(setup.id(), texts::caption_warning);
  ASSERT_TRUE(warning);
  HWND status = control(CopyStatusLabel), bar = control(CopyProgressBar);
  const std::string shown = "Decompressing R&D.txt ...";
  EXPECT_EQ(text_of(status), shown);
  EXPECT_TRUE(IsWindowVisible(status));  // a screen reader skips a window that says it is hidden
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 3);
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);

  // The warning moved aside: the page beneath shows that line, drawn, and the bar at two thirds.
  SetWindowPos(warning, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Sleep(wintest::patience(700));
  RECT line;
  GetClientRect(status, &line);
  const SIZE size{line.right, line.bottom};
  const Pixels drawn = on_screen(status);
  EXPECT_TRUE(drawn == label_drawing(shown, size, false)) << "the status line as drawn";
  EXPECT_FALSE(label_drawing(shown, size, true) == label_drawing(shown, size, false));
  const Pixels bar_drawn = on_screen(bar);
  RECT b;
  GetClientRect(bar, &b);
  const auto filled = [&](int from, int to) {  // any pixel of the highlight in these columns
    for (int x = from; x < to; ++x)
      for (int y = 0; y < b.bottom; ++y) {
        const std::uint32_t p = bar_drawn[static_cast<std::size_t>(y * b.right + x)];
        const COLORREF c = GetSysColor(COLOR_HIGHLIGHT);
        if (p == (static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c)))
          return true;
      }
    return false;
  };
  EXPECT_TRUE(filled(b.right * 2 / 5, b.right * 3 / 5));
  EXPECT_FALSE(filled(b.right * 3 / 4, b.right));

  click(child_with_text(warning, "OK"));
  EXPECT_EQ(setup.wait_exit(10000), 0);
  EXPECT_TRUE(wintest::is_file(dest.path("A.txt")));
  EXPECT_FALSE(wintest::exists(dest.path("Z.txt")));
}

TEST(Install, ThroughEveryPageToFinish) {
  clean_registry();
  Workspace source("install-source");
  Workspace dest_parent("install-dest");
  CopyFileA(setup_exe().c_str(), source.path("Setup.exe").c_str(), FALSE);
  source.write("Setup.dat", sample_setup_dat());
  source.write("Tile.bmp", "BM tile");
  // Read-only, as on a CD: the copy that becomes the uninstaller must not be.
  SetFileAttributesA(source.path("Setup.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string dest = dest_parent.path("Orbit");  // made by the Dest page

  Program setup(source.path("Setup.exe"), source.dir());
  HWND window = wait_for_window(setup.id(), texts::setup_title);
  ASSERT_TRUE(window);
  const WizardWindow wizard{window};
  auto control = [&](ControlId id) { return wizard.control(id); };
  auto caption_is = [&](ControlId id, const char* text) { return wizard.caption_is(id, text); };

  ASSERT_TRUE(wizard.to_dest_page());
  ASSERT_TRUE(IsWindowVisible(control(DestFolderInput)));
  SendMessageA(control(DestFolderInput), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
  click(control(NextButton));  // Dest: the folder is created
  ASSERT_TRUE(caption_is(NextButton, texts::button_install));
  // No shortcuts: the prefix's desktop is the Linux home folder.
  SendMessageA(control(IconFolderCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(control(IconShortcutCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  click(control(NextButton));  // Install: the Copy page runs, then the Ready page
  ASSERT_TRUE(caption_is(NextButton, texts::button_finish));
  EXPECT_FALSE(IsWindowVisible(control(CancelButton)));
  EXPECT_EQ(text_of(control(CopyStatusLabel)), texts::status_shortcuts);
  HWND bar = control(CopyProgressBar);
  EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 3);  // two files and one companion
  EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 3);
  // Drawing, held between paints during the run, is on again: the page shows them when it is
  // shown, and only its own visibility hides them now.
  for (ControlId id : {CopyStatusLabel, CopyProgressBar})
    EXPECT_TRUE(GetWindowLongA(control(id), GWL_STYLE) & WS_VISIBLE) << id;

  // The page of a successful run, both actions offered.
  EXPECT_EQ(text_of(control(ReadyHeadingLabel)), texts::ready_heading);
  EXPECT_EQ(text_of(control(ReadyDescriptionLabel)), texts::ready_description);
  EXPECT_EQ(SendMessageA(control(ReadyReadmeCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(control(ReadyStartCheck), BM_GETCHECK, 0, 0), BST_CHECKED);

  // Finish without opening the readme or starting the program.
  SendMessageA(control(ReadyReadmeCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(control(ReadyStartCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  click(control(NextButton));
  EXPECT_EQ(setup.wait_exit(10000), 0);

  const std::string d = dest + "\\";
  EXPECT_TRUE(wintest::is_file(d + "Readme.txt"));
  EXPECT_TRUE(wintest::is_file(d + "Formula\\Standard.mfm"));
  EXPECT_TRUE(wintest::is_file(d + "Tile.bmp"));
  EXPECT_TRUE(wintest::is_file(d + "Uninst.exe"));
  EXPECT_FALSE(GetFileAttributesA((d + "Uninst.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
  // The very program that ran, byte for byte (a signed Setup.exe gives a signed uninstaller).
  EXPECT_TRUE(wintest::read_file(d + "Uninst.exe") == wintest::read_file(setup_exe()));
  const auto date = read_file_date(d + "Readme.txt");
  ASSERT_TRUE(date);
  EXPECT_EQ(*date, 45306.4375);

  FileInputStream log_file(d + "Uninst.dat");
  UninstallLogReader log(log_file);
  EXPECT_EQ(log.header().product_name.view(), product);
  ASSERT_EQ(log.header().record_count, 4);
  EXPECT_EQ(log.next().path.view(), d + "Readme.txt");
  EXPECT_EQ(log.next().path.view(), d + "Formula\\Standard.mfm");
  const UninstallRecord folder = log.next();
  EXPECT_EQ(folder.path.view(), d + "Formula");
  EXPECT_TRUE(folder.is_folder);
  EXPECT_EQ(log.next().path.view(), d + "Tile.bmp");

  EXPECT_EQ(registry_text(HKEY_CURRENT_USER, std::string(settings_key) + "\\Directories",
                          "OpenDirectory"),
            d);
  EXPECT_EQ(registry_text(HKEY_LOCAL_MACHINE, uninstall_key, "DisplayName"), product);
  EXPECT_EQ(registry_text(HKEY_LOCAL_MACHINE, uninstall_key, "UninstallString"),
            d + "Uninst.exe");
  if (runs_on_wow64()) {
    // On 64-bit Windows the registration of a 32-bit program is in the 32-bit view, where the
    // system's list of programs looks for 32-bit programs, and not among the 64-bit ones.
    for (const auto& [view, found] : {std::pair{KEY_WOW64_32KEY, true}, {KEY_WOW64_64KEY, false}}) {
      HKEY key = nullptr;
      EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall_key, 0, KEY_READ | view, &key) ==
                    ERROR_SUCCESS,
                found)
          << view;
      if (key) RegCloseKey(key);
    }
  }
  clean_registry();
}

namespace {

struct CaptionSearch {
  std::string part;
  HWND found = nullptr;
};

BOOL CALLBACK match_caption(HWND window, LPARAM address) {
  auto& s = *reinterpret_cast<CaptionSearch*>(address);
  if (!IsWindowVisible(window) || text_of(window).find(s.part) == std::string::npos) return TRUE;
  s.found = window;
  return FALSE;
}

// A visible top-level window of any program whose caption holds the text.
HWND window_captioned(const std::string& part) {
  CaptionSearch search{part};
  EnumWindows(match_caption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

TEST(Install, FinishOpensTheReadmeAndStartsTheProgramInItsFolder) {
  clean_registry();
  // A fresh Wine prefix knows the text file class but may not tie ".txt" to it, as every
  // Windows does; and Wine may not show a 64-bit prefix's classes to a 32-bit program at all,
  // where 64-bit Windows shares them between both views of the registry. Made for this test
  // where missing from this program's view (the same as Setup.exe's), and taken away again.
  const bool made_txt = !regtest::key_exists(HKEY_CLASSES_ROOT, ".txt"),
             made_class = !regtest::key_exists(HKEY_CLASSES_ROOT, "txtfile");
  if (made_txt)
    RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, "txtfile", sizeof "txtfile" - 1);
  constexpr char open_command[] = "notepad.exe \"%1\"";
  if (made_class)
    RegSetValueA(HKEY_CLASSES_ROOT, "txtfile\\shell\\open\\command", REG_SZ, open_command,
                 sizeof open_command - 1);
  Workspace source("finish-source");
  Workspace dest_parent("finish-dest");
  CopyFileA(setup_exe().c_str(), source.path("Setup.exe").c_str(), FALSE);
  SetupHeader header;
  header.product_name.assign(product);
  header.settings_key.assign(settings_key);
  header.file_date = 45306.4375;
  MemoryOutputStream out;
  SetupDataWriter w(out, header);
  w.file("Readme.txt", "Read me first.\r\n");
  w.file("Mo.exe", wintest::read_file(started_probe_exe()));
  w.end_list();
  w.end_list();
  source.write("Setup.dat", std::string(out.bytes().begin(), out.bytes().end()));
  const std::string dest = dest_parent.path("Orbit");

  Program setup(source.path("Setup.exe"), source.dir());
  HWND window = wait_for_window(setup.id(), texts::setup_title);
  ASSERT_TRUE(window);
  const WizardWindow wizard{window};
  ASSERT_TRUE(wizard.to_dest_page());
  SendMessageA(wizard.control(DestFolderInput), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(dest.c_str()));
  click(wizard.control(NextButton));
  ASSERT_TRUE(wizard.caption_is(NextButton, texts::button_install));
  SendMessageA(wizard.control(IconFolderCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(wizard.control(IconShortcutCheck), BM_SETCHECK, BST_UNCHECKED, 0);
  click(wizard.control(NextButton));
  ASSERT_TRUE(wizard.caption_is(NextButton, texts::button_finish));
  // Both boxes are ticked when the page opens.
  EXPECT_EQ(SendMessageA(wizard.control(ReadyReadmeCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(wizard.control(ReadyStartCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  click(wizard.control(NextButton));
  EXPECT_EQ(setup.wait_exit(10000), 0);

  // The program ran in the installation folder.
  const std::string note = dest + "\\Started.txt";
  for (int i = 0; i < 100 && !wintest::exists(note); ++i) Sleep(100);
  Sleep(200);  // written and closed
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, wintest::read_file(note).c_str(), -1,
                           dest.c_str(), -1),
            CSTR_EQUAL)
      << wintest::read_file(note);

  // The readme opened in whatever the system shows text files with.
  HWND viewer = nullptr;
  for (int i = 0; i < 100 && !(viewer = window_captioned("Readme.txt")); ++i) Sleep(100);
  EXPECT_TRUE(viewer) << "no window shows Readme.txt";
  if (viewer) {
    DWORD viewer_process = 0;
    GetWindowThreadProcessId(viewer, &viewer_process);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    Handle process(OpenProcess(SYNCHRONIZE, FALSE, viewer_process));
    if (process) WaitForSingleObject(process.get(), 5000);
  }
  if (made_txt) RegDeleteKeyA(HKEY_CLASSES_ROOT, ".txt");
  if (made_class) RegDeleteTreeA(HKEY_CLASSES_ROOT, "txtfile");
  clean_registry();
}

// The destination folder against the real file system, registry and shell: the Dest page's
// check with its dialogs answered from a second thread, the folder browser driven from outside,
// and the program-files folder read from the machine's own registry value.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/failure.h"
#include "core/paths.h"
#include "core/texts.h"
#include "tests/support/win_test_support.h"
#include "win/handles.h"
#include "wizard/destination.h"

using namespace wintest;

namespace {

// Runs work on this thread while a second thread waits for a dialog of this thread and hands
// it to answer, which must close it. Returns whether a dialog showed up before work ended.
bool drive(const std::function<void()>& work, const std::function<void(HWND)>& answer) {
  const DWORD thread = GetCurrentThreadId();
  std::atomic<bool> done{false}, shown{false};
  std::thread driver([&] {
    for (int i = 0; i < 1000 && !done; ++i) {  // ten seconds at most
      if (HWND dialog = visible_dialog(GetCurrentProcessId(), thread)) {
        shown = true;
        answer(dialog);
        return;
      }
      Sleep(10);
    }
  });
  work();
  done = true;
  driver.join();
  return shown;
}

// ---------------------------------------------------------------------------------------------
// The Dest page's check.

// What a message dialog showed.
struct Message {
  std::string caption, text;
};

// The message's own text: the one static that is not its icon.
std::string message_text(HWND dialog) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (class_of(c) == "Static" && (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
      return text_of(c);
  return {};
}

// leave_dest_page with its dialog, if any, answered by clicking the button with the caption
// press (or, for an empty caption, through the dialog's close box).
bool leave_driven(const std::string& typed, std::string& dest_dir, const std::string& press,
                  std::optional<Message>& seen, bool& created) {
  bool result = false;
  seen.reset();
  drive([&] { result = leave_dest_page(typed, dest_dir, created); },
        [&](HWND dialog) {
          seen = Message{text_of(dialog), message_text(dialog)};
          HWND button = press.empty() ? nullptr : child_with_text(dialog, press);
          if (button)
            SendMessageA(button, BM_CLICK, 0, 0);
          else
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
  return result;
}

const std::string unchanged = "(as before)";

struct LeaveCase {
  std::string typed;
  const char* caption;  // the dialog expected: "Warning", "Confirm", or null for none
  std::string press;    // its button to click; empty: close it through its frame
  bool accepted;
  std::string dest_dir;                      // afterwards
  std::vector<std::string> folders, absent;  // what must, and must not, exist afterwards
};

void check_leave(const LeaveCase& c) {
  SCOPED_TRACE("typed [" + c.typed + "], pressing [" + c.press + "]");
  std::string dest_dir = unchanged;
  std::optional<Message> seen;
  bool created = false;
  EXPECT_EQ(leave_driven(c.typed, dest_dir, c.press, seen, created), c.accepted);
  // Made here exactly when it was accepted without a question about an existing folder.
  EXPECT_EQ(created, c.accepted && !c.caption);
  EXPECT_EQ(dest_dir, c.dest_dir);
  if (!c.caption) {
    EXPECT_FALSE(seen) << seen->caption << ": " << seen->text;
  } else if (!seen) {
    ADD_FAILURE() << "no dialog";
  } else {
    EXPECT_EQ(seen->caption, c.caption);
    const std::string expected = std::string(c.caption) == texts::caption_warning
                                     ? format_text(texts::invalid_folder, {c.typed})
                                     : std::string(texts::folder_exists);
    EXPECT_EQ(seen->text, expected);
  }
  for (const std::string& f : c.folders) EXPECT_TRUE(is_folder(f)) << f;
  for (const std::string& a : c.absent) EXPECT_FALSE(exists(a)) << a;
}

}  // namespace

TEST(DestinationCheck, CreatesOneNewLevel) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  const LeaveCase cases[] = {
      // A new folder: no question, and exactly one trailing backslash whatever was typed.
      {t + "\\Orbit\\", nullptr, "", true, t + "\\Orbit\\", {t + "\\Orbit"}, {}},
      {t + "\\Plain", nullptr, "", true, t + "\\Plain\\", {t + "\\Plain"}, {}},
      // Two backslashes: one is removed, the folder is made through the other.
      {t + "\\Twice\\\\", nullptr, "", true, t + "\\Twice\\", {t + "\\Twice"}, {}},
      // Blanks inside a name are part of it, and kept.
      {t + "\\ Marbelo  Orbit", nullptr, "", true, t + "\\ Marbelo  Orbit\\",
       {t + "\\ Marbelo  Orbit"}, {}},
  };
  for (const LeaveCase& c : cases) check_leave(c);
}

TEST(DestinationCheck, RefusesWhatCannotBeCreated) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  char missing_drive = 0;
  for (char d = 'Y'; d >= 'D' && !missing_drive; --d)
    if (!(GetLogicalDrives() & (1u << (d - 'A')))) missing_drive = d;
  ASSERT_NE(missing_drive, 0);
  const std::string on_missing_drive = std::string(1, missing_drive) + ":\\Orbit";
  const LeaveCase cases[] = {
      // Only one level is created: the parent must exist.
      {t + "\\Missing\\Orbit", "Warning", "OK", false, unchanged, {}, {t + "\\Missing"}},
      // The warning quotes the text exactly as typed, both backslashes included.
      {t + "\\Missing\\Orbit\\\\", "Warning", "OK", false, unchanged, {}, {t + "\\Missing"}},
      {"", "Warning", "OK", false, unchanged, {}, {}},
      {t + "\\Bad|Name", "Warning", "OK", false, unchanged, {}, {t + "\\Bad|Name"}},
      {on_missing_drive, "Warning", "OK", false, unchanged, {}, {}},
      // Closing the warning through its frame refuses just the same.
      {t + "\\Missing\\Orbit", "Warning", "", false, unchanged, {}, {t + "\\Missing"}},
  };
  for (const LeaveCase& c : cases) check_leave(c);
}

TEST(DestinationCheck, AsksBeforeUsingAnExistingFolder) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  const std::string old = t + "\\Old";
  CreateDirectoryA(old.c_str(), nullptr);
  const std::string kept = old + "\\kept.txt";
  Handle(CreateFileA(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  const LeaveCase cases[] = {
      {old, "Confirm", texts::button_no, false, unchanged, {old}, {}},
      {old + "\\", "Confirm", "", false, unchanged, {old}, {}},  // closed: not a Yes
      {old + "\\", "Confirm", texts::button_yes, true, old + "\\", {old}, {}},
      {old, "Confirm", texts::button_yes, true, old + "\\", {old}, {}},
      // A drive root: "C:\" less its backslash is the drive's current folder, which exists
      // whenever the drive does; the folder used is the root itself.
      {"C:\\", "Confirm", texts::button_yes, true, "C:\\", {}, {}},
  };
  for (const LeaveCase& c : cases) check_leave(c);
  EXPECT_TRUE(exists(kept));  // an existing folder is used as it is
}

// The folder creation answers "already exists" for a file too. A file is no folder to
// install into: it gets the warning rather than the question, whose Yes could only lead to
// an installation that fails.
TEST(DestinationCheck, RefusesAFileOfThatName) {
  TempFolder temp("mo_dest");
  const std::string file = temp.path() + "\\Orbit";
  Handle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(exists(file));
  const LeaveCase cases[] = {
      {file, "Warning", "OK", false, unchanged, {}, {}},
      {file + "\\", "Warning", "OK", false, unchanged, {}, {}},
  };
  for (const LeaveCase& c : cases) check_leave(c);
  EXPECT_FALSE(is_folder(file));
}

// A text that is not a full path would be created relative to whatever folder Setup was
// started from (or to a drive's current folder), which the user never sees: it is refused
// with the same warning, and nothing is created anywhere.
TEST(DestinationCheck, RefusesRelativePaths) {
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  const std::string here = add_backslash(current);
  const std::string name = "mo_relative_" + std::to_string(GetCurrentProcessId());
  const LeaveCase cases[] = {
      {name, "Warning", "OK", false, unchanged, {}, {here + name}},
      {".\\" + name + "\\", "Warning", "OK", false, unchanged, {}, {here + name}},
      {"\\" + name, "Warning", "OK", false, unchanged, {}, {"\\" + name}},
      {"C:" + name, "Warning", "OK", false, unchanged, {}, {"C:" + name}},
  };
  for (const LeaveCase& c : cases) check_leave(c);
  for (const std::string& made : {here + name, "\\" + name, "C:" + name})
    RemoveDirectoryA(made.c_str());  // only if a failure above made it
}

// Windows drops a trailing blank or period from the last name of a folder it creates, but not
// from a name in the middle of a path: the files would later be written under a folder that
// does not exist. Such a name is refused before anything is created.
TEST(DestinationCheck, RefusesNamesEndingInABlankOrPeriod) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  const LeaveCase cases[] = {
      {t + "\\Orbit ", "Warning", "OK", false, unchanged, {}, {t + "\\Orbit"}},
      {t + "\\Orbit \\", "Warning", "OK", false, unchanged, {}, {t + "\\Orbit"}},
      {t + "\\Orbit.", "Warning", "OK", false, unchanged, {}, {t + "\\Orbit"}},
  };
  for (const LeaveCase& c : cases) check_leave(c);
}

// ---------------------------------------------------------------------------------------------
// The folder browser.

namespace {

// Control ids of the shell's folder-browse dialog, as Windows and Wine number them.
constexpr int browse_tree_id = 0x3741;
constexpr int browse_title_id = 0x3742;
constexpr int browse_status_id = 0x3743;

// Waits until the dialog's status line reads text; false after five seconds.
bool status_becomes(HWND dialog, const std::string& text) {
  for (int i = 0; i < 500; ++i) {
    if (text_of(GetDlgItem(dialog, browse_status_id)) == text) return true;
    Sleep(10);
  }
  return false;
}

std::string selected_tree_item(HWND dialog) {
  HWND tree = GetDlgItem(dialog, browse_tree_id);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  char text[MAX_PATH] = {};
  TVITEMA data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = sizeof text;
  if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return {};
  return text;
}

// What the driver saw while the browser was open.
struct BrowseSeen {
  bool shown = false;
  bool owner_disabled = false;
  HWND owner = nullptr;
  std::string title, status, selected_item;
};

// A plain top-level window to own the browser, as the wizard window does.
class OwnerWindow {
 public:
  OwnerWindow()
      : window_(CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                100, nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() { DestroyWindow(window_); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// Opens the browser on initial; the driver waits until the status line shows expected_status
// (the path of the initial selection), lets act do its part, then clicks button (IDOK or
// IDCANCEL).
std::string browse_driven(const std::string& initial, const std::string& expected_status,
                          const std::function<void(HWND)>& act, int button, BrowseSeen& seen) {
  OwnerWindow owner;
  std::string result;
  seen.shown = drive(
      [&] { result = browse_for_folder(owner.get(), texts::browse_title, initial); },
      [&](HWND dialog) {
        status_becomes(dialog, expected_status);
        seen.status = text_of(GetDlgItem(dialog, browse_status_id));
        seen.title = text_of(GetDlgItem(dialog, browse_title_id));
        seen.selected_item = selected_tree_item(dialog);
        seen.owner = GetWindow(dialog, GW_OWNER);
        seen.owner_disabled = !IsWindowEnabled(owner.get());
        if (act) act(dialog);
        SendMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
        // A disabled button ignores the click; the dialog still has to go.
        if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      });
  EXPECT_EQ(seen.owner, owner.get());
  EXPECT_TRUE(seen.owner_disabled);  // modal to its owner
  return result;
}

// The driver picks another folder, as a click in the tree would, and waits for its path to
// show in the status line.
std::function<void(HWND)> select_path(const std::string& path) {
  return [path](HWND dialog) {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    EXPECT_TRUE(status_becomes(dialog, path)) << path;
  };
}

std::string last_name(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

}  // namespace

TEST(FolderBrowser, CancelReturnsTheInitialTextUnchanged) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  // The initial folder is selected (a trailing backslash dropped first) and its path shown.
  for (const std::string& initial : {t + "\\", t}) {
    SCOPED_TRACE(initial);
    BrowseSeen seen;
    EXPECT_EQ(browse_driven(initial, t, nullptr, IDCANCEL, seen), initial);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, texts::browse_title);
    EXPECT_EQ(seen.status, t);
    EXPECT_TRUE(same_text_ignoring_case(seen.selected_item, last_name(t))) << seen.selected_item;
  }
  // Cancel after choosing another folder: still the initial text.
  BrowseSeen seen;
  EXPECT_EQ(browse_driven(t, t, select_path("C:\\"), IDCANCEL, seen), t);
  EXPECT_TRUE(seen.shown);
}

TEST(FolderBrowser, OkReturnsTheChosenFolder) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  const std::string sub = t + "\\Sub";
  make_folder(sub);
  const struct {
    std::string initial, opened, chosen, result;  // opened: the path first shown
  } cases[] = {
      {t + "\\", t, "", t},           // kept as opened: no trailing backslash
      {t, t, sub, sub},               // another folder
      {t + "\\", t, "C:\\", "C:\\"},  // a drive root keeps its backslash
      // Opened on a drive root, whose backslash is dropped before the selection: "C:" still
      // selects the drive (seen under Wine).
      {"C:\\", "C:\\", "", "C:\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.initial + " -> " + c.chosen);
    BrowseSeen seen;
    EXPECT_EQ(browse_driven(c.initial, c.opened,
                            c.chosen.empty() ? nullptr : select_path(c.chosen), IDOK, seen),
              c.result);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.status, c.opened);
  }
}

// A selection without a file-system path (the computer itself) leaves the status line as it
// was and cannot be returned: the initial text comes back.
TEST(FolderBrowser, ItemWithoutAPathKeepsStatusAndInitialText) {
  TempFolder temp("mo_dest");
  const std::string t = temp.path();
  BrowseSeen seen;
  std::string status_after;
  bool ok_enabled = true;
  const std::string result = browse_driven(
      t, t,
      [&](HWND dialog) {
        LPITEMIDLIST computer = nullptr;
        ASSERT_EQ(SHGetSpecialFolderLocation(dialog, CSIDL_DRIVES, &computer), S_OK);
        SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
        CoTaskMemFree(computer);
        for (int i = 0; i < 50 && selected_tree_item(dialog) == last_name(t); ++i) Sleep(10);
        status_after = text_of(GetDlgItem(dialog, browse_status_id));
        ok_enabled = IsWindowEnabled(GetDlgItem(dialog, IDOK));
      },
      IDOK, seen);
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(status_after, t);
  EXPECT_FALSE(ok_enabled);  // only file-system folders can be chosen
  EXPECT_EQ(result, t);
}

TEST(FolderBrowser, EmptyInitialText) {
  BrowseSeen seen;
  EXPECT_EQ(browse_driven("", "", nullptr, IDCANCEL, seen), "");
  EXPECT_TRUE(seen.shown);
}

// ---------------------------------------------------------------------------------------------
// The program-files folder.

namespace {

constexpr char version_key[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char program_files_value[] = "ProgramFilesDir";

// Saves the machine's "ProgramFilesDir" as it is (type and bytes, or its absence) and puts it
// back when the test ends, passed or failed.
class SavedProgramFilesDir {
 public:
  SavedProgramFilesDir() {
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, version_key, 0, KEY_ALL_ACCESS, &key);
    key_.reset(key);
    DWORD size = 0;
    if (key_ && RegQueryValueExA(key_.get(), program_files_value, nullptr, &type_, nullptr,
                                 &size) == ERROR_SUCCESS) {
      bytes_.resize(size);
      existed_ = RegQueryValueExA(key_.get(), program_files_value, nullptr, &type_, bytes_.data(),
                                  &size) == ERROR_SUCCESS;
    }
  }
  ~SavedProgramFilesDir() {
    if (!key_) return;
    if (existed_)
      RegSetValueExA(key_.get(), program_files_value, 0, type_, bytes_.data(),
                     static_cast<DWORD>(bytes_.size()));
    else
      RegDeleteValueA(key_.get(), program_files_value);
  }
  SavedProgramFilesDir(const SavedProgramFilesDir&) = delete;
  SavedProgramFilesDir& operator=(const SavedProgramFilesDir&) = delete;

  HKEY key() const { return key_.get(); }
  bool existed() const { return existed_; }
  // The saved text up to its first NUL.
  std::string text() const {
    return std::string(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()).c_str();
  }

 private:
  RegKey key_;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> bytes_;
  bool existed_ = false;
};

void set_value(HKEY key, DWORD type, const void* data, std::size_t size) {
  ASSERT_EQ(RegSetValueExA(key, program_files_value, 0, type, static_cast<const BYTE*>(data),
                           static_cast<DWORD>(size)),
            ERROR_SUCCESS);
}

}  // namespace

TEST(ProgramFilesDir, TheMachinesValue) {
  SavedProgramFilesDir saved;
  ASSERT_TRUE(saved.key());
  ASSERT_TRUE(saved.existed());
  EXPECT_FALSE(saved.text().empty());
  EXPECT_EQ(program_files_dir(), saved.text());
}

TEST(ProgramFilesDir, FallsBackToDriveC) {
  const std::string machines = program_files_dir();
  {
    SavedProgramFilesDir saved;
    ASSERT_TRUE(saved.key());
    const DWORD number = 5;
    const struct {
      const char* what;
      std::function<void(HKEY)> change;
      std::string expected;
    } cases[] = {
        {"removed", [](HKEY k) { RegDeleteValueA(k, program_files_value); }, "C:\\"},
        {"empty", [](HKEY k) { set_value(k, REG_SZ, "", 1); }, "C:\\"},
        {"empty, not even a NUL", [](HKEY k) { set_value(k, REG_SZ, "", 0); }, "C:\\"},
        {"a number", [&](HKEY k) { set_value(k, REG_DWORD, &number, sizeof number); }, "C:\\"},
        // Not fallbacks, but read the same way: an expandable text taken literally, and a text
        // up to its first NUL.
        {"expandable", [](HKEY k) { set_value(k, REG_EXPAND_SZ, "%SystemDrive%\\Apps", 19); },
         "%SystemDrive%\\Apps"},
        {"with a NUL inside", [](HKEY k) { set_value(k, REG_SZ, "D:\\Apps\0Old", 12); },
         "D:\\Apps"},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      c.change(saved.key());
      EXPECT_EQ(program_files_dir(), c.expected);
    }
  }
  EXPECT_EQ(program_files_dir(), machines);  // the machine's value is back
}

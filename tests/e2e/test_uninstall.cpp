// The real program under the name Uninst.exe, driven from outside: its question and its
// answers, what it removes from the disk and the registry, what it leaves, and the batch file
// that removes the executable and the folder after the process has ended.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/setup_data.h"
#include "core/texts.h"
#include "core/uninstall_log.h"
#include "tests/e2e/driver.h"
#include "tests/win/registry_test_keys.h"
#include "win/files.h"

using namespace e2e;
using namespace regtest;
using namespace wintest;

namespace {

constexpr char product[] = "MoE2E Uninstall";
constexpr char settings_key[] = "Software\\MoSetupTests\\E2E Uninstall";
const std::string uninstall_key =
    std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + product;
// 2024-01-15 10:30:00, a DOS date-time exactly.
constexpr double logged_date = 45306.4375;

// Polls until condition holds; false when it still does not after timeout_ms.
template <typename Condition>
bool within(DWORD timeout_ms, Condition condition) {
  for (const DWORD start = GetTickCount(); !condition(); Sleep(100))
    if (GetTickCount() - start > timeout_ms) return false;
  return true;
}

std::string batch_path() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\KVUNINST.BAT";
}

// Read while the batch still runs: shared every way, as its interpreter holds it open.
std::string read_shared(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  std::string bytes(4096, '\0');
  DWORD count = 0;
  if (!file ||
      !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr))
    return "<unreadable>";
  bytes.resize(count);
  return bytes;
}

// The text of the message dialog; its lines may come back with "\r\n" between them.
std::string message_of(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    std::string text = text_of(child);
    if (class_of(child) != "Static" || text.empty()) continue;
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at + 1, 1);
    return text;
  }
  return "<no text>";
}

std::string question_for(const std::string& name) {
  return "Are you sure you want to completely remove " + name + "\rand all of its components?";
}

struct Item {
  const char* name;  // below the installation folder
  bool folder;
  bool changed = false;  // its date moved after the installation
};

// An installation folder as the installer leaves it: the logged items, Uninst.dat and
// Uninst.exe (the real program), and the product's keys in the registry.
class Installed {
 public:
  Installed(const std::string& name, const std::vector<Item>& items)
      : space(name),
        settings(HKEY_CURRENT_USER, settings_key),
        registration(HKEY_LOCAL_MACHINE, uninstall_key) {
    SetFileAttributesA(batch_path().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(batch_path().c_str());
    EXPECT_TRUE(CopyFileA(setup_exe().c_str(), exe().c_str(), FALSE)) << exe();
    SetupHeader header;
    header.product_name.assign(product);
    header.settings_key.assign(settings_key);
    UninstallLogWriter writer(log, header);
    for (const Item& item : items) {
      const std::string path = space.path(item.name);
      if (item.folder) {
        CreateDirectoryA(path.c_str(), nullptr);
      } else {
        // Folders are logged after their contents, but made before them.
        CreateDirectoryA(std::string(folder_part(path)).c_str(), nullptr);
        space.write(item.name, "installed");
        set_file_date(path, logged_date);
        if (item.changed) set_file_date(path, logged_date + 1.0 / 1440);  // a minute later
      }
      writer.append(path, logged_date, item.folder);
    }
    writer.finish();
    write_log(log.bytes().size());
    EXPECT_TRUE(write_raw(HKEY_CURRENT_USER, std::string(settings_key) + "\\Directories",
                          "OpenDirectory", sz(space.dir())));
    EXPECT_TRUE(write_raw(HKEY_LOCAL_MACHINE, uninstall_key, "DisplayName", sz(product)));
  }
  ~Installed() {
    // A failed test may leave them read-only, and the batch file behind.
    SetFileAttributesA(exe().c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(batch_path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }

  // Uninst.dat as its first size bytes.
  void write_log(std::size_t size) const {
    space.write("Uninst.dat", std::string(log.bytes().begin(), log.bytes().begin() + size));
  }
  std::string exe() const { return space.path("Uninst.exe"); }
  std::string log_path() const { return space.path("Uninst.dat"); }
  bool keys_there() const {
    return key_exists(HKEY_CURRENT_USER, settings_key) &&
           key_exists(HKEY_LOCAL_MACHINE, uninstall_key);
  }
  bool keys_gone() const {
    return !key_exists(HKEY_CURRENT_USER, settings_key) &&
           !key_exists(HKEY_LOCAL_MACHINE, uninstall_key);
  }
  std::unique_ptr<Program> start() const {
    auto program = std::make_unique<Program>(exe(), space.dir());
    EXPECT_NE(program->id(), 0u);
    return program;
  }

  Workspace space;
  ScratchKey settings, registration;
  MemoryOutputStream log;
};

const std::vector<Item> tree = {{"Readme.txt", false},
                                {"Formula\\Standard.mfm", false},
                                {"Formula\\Orbits.GID", false, true},  // goes, changed or not
                                {"Formula", true}};

// The batch file's text with %-signs doubled, as the batch must spell them.
std::string in_batch(std::string path) {
  for (std::size_t at = 0; (at = path.find('%', at)) != std::string::npos; at += 2)
    path.insert(at, 1, '%');
  return "\"" + path + "\"";
}

// Runs the uninstaller through: Yes to its question, OK to its report, whose text it returns.
std::string uninstall_answering_yes(const Installed& installed) {
  const auto uninstall = installed.start();
  HWND question = wait_for_window(uninstall->id(), texts::caption_confirm);
  if (!question) return "<no question>";
  click(child_with_text(question, texts::button_yes));
  HWND report = wait_for_window(uninstall->id(), texts::caption_information);
  if (!report) return "<no report>";
  const std::string text = message_of(report);
  click(child_with_text(report, texts::button_ok));
  EXPECT_EQ(uninstall->wait_exit(10000), 0);
  return text;
}

}  // namespace

TEST(Uninstall, YesRemovesEverythingAndTheBatchFileTakesTheRest) {
  // "%" and "&" in the folder's name: the batch file must still name it exactly. The program
  // runs in the installation folder, as it does when opened from there, and the batch must not
  // inherit that as its own current folder, which no one can remove while it is in use.
  Installed installed("uninstall 50%off & co", tree);
  // Read-only, the executable resists the batch file until the test lets it go, so that the
  // batch can be read first and its waiting seen. (Under Wine a running program's file can be
  // deleted at once, which Windows refuses until the process has ended.)
  ASSERT_TRUE(SetFileAttributesA(installed.exe().c_str(), FILE_ATTRIBUTE_READONLY));
  const auto uninstall = installed.start();

  HWND question = wait_for_window(uninstall->id(), texts::caption_confirm);
  ASSERT_TRUE(question);
  EXPECT_EQ(message_of(question), question_for(product));
  EXPECT_TRUE(is_file(installed.space.path("Readme.txt")));
  click(child_with_text(question, texts::button_yes));

  HWND report = wait_for_window(uninstall->id(), texts::caption_information);
  ASSERT_TRUE(report);
  EXPECT_EQ(message_of(report), texts::uninstall_done);
  // Everything but the executable is gone before the report, and the batch not yet written.
  for (const Item& item : tree) EXPECT_FALSE(exists(installed.space.path(item.name))) << item.name;
  EXPECT_FALSE(is_file(installed.log_path()));
  EXPECT_TRUE(installed.keys_gone());
  EXPECT_TRUE(is_file(installed.exe()));
  EXPECT_FALSE(is_file(batch_path()));
  click(child_with_text(report, texts::button_ok));
  EXPECT_EQ(uninstall->wait_exit(10000), 0);

  ASSERT_TRUE(within(5000, [] { return is_file(batch_path()); }));
  const std::string exe = in_batch(installed.exe());
  const std::string dir = installed.space.dir();
  EXPECT_EQ(read_shared(batch_path()),
            "@echo off\r\nset tries=0\r\n:loop\r\n"
            "del " + exe + "\r\n"
            "if not exist " + exe + " goto done\r\n"
            "set /a tries+=1\r\nif %tries% geq 60 goto done\r\nping -n 2 127.0.0.1 >nul\r\n"
            "goto loop\r\n:done\r\n"
            "rd " + in_batch(dir.substr(0, dir.size() - 1)) + "\r\n"
            "del " + in_batch(batch_path()) + "\r\n");
  Sleep(1500);
  EXPECT_TRUE(is_file(installed.exe())) << "the batch file gave up at once";
  EXPECT_TRUE(is_file(batch_path()));

  SetFileAttributesA(installed.exe().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(within(15000, [&] { return !is_folder(dir); })) << "the folder is still there";
  EXPECT_FALSE(is_file(installed.exe()));
  EXPECT_TRUE(within(5000, [] { return !is_file(batch_path()); })) << "the batch file stayed";
}

TEST(Uninstall, AFolderNamedWithLettersBeyondAsciiGoesToo) {
  // Windows-1252 letters that the console's code page spells with other bytes: the batch file
  // must name the folder as its interpreter reads it.
  Installed installed("uninstall M\xE4rbelo \xC9toile", {{"Readme.txt", false}});
  EXPECT_EQ(uninstall_answering_yes(installed), texts::uninstall_done);
  const std::string dir = installed.space.dir();
  EXPECT_TRUE(within(15000, [&] { return !is_folder(dir); })) << "the folder is still there";
  EXPECT_TRUE(within(5000, [] { return !is_file(batch_path()); })) << "the batch file stayed";
}

TEST(Uninstall, AChangedFileStaysWithItsFolderAndTheReportSaysSo) {
  Installed installed("uninstall changed",
                      {{"Readme.txt", false},
                       {"Formula\\Edited.mfm", false, true},
                       {"Formula", true}});
  EXPECT_EQ(uninstall_answering_yes(installed),
            "Uninstallation successfully completed.\r\rSome items could not be removed. You "
            "should manually \rremove items related to Marbelo Orbit.");

  EXPECT_FALSE(is_file(installed.space.path("Readme.txt")));
  EXPECT_FALSE(is_file(installed.log_path()));
  EXPECT_TRUE(installed.keys_gone());
  // The batch file deletes the executable and itself; the folder, not empty, stays.
  EXPECT_TRUE(within(15000, [&] { return !is_file(installed.exe()) && !is_file(batch_path()); }));
  EXPECT_TRUE(is_file(installed.space.path("Formula\\Edited.mfm")));
  EXPECT_TRUE(is_folder(installed.space.dir()));
}

TEST(Uninstall, NoRemovesNothingAndEndsAtOnce) {
  const struct {
    const char* name;
    void (*answer)(HWND question);
  } answers[] = {
      {"No", [](HWND q) { click(child_with_text(q, texts::button_no)); }},
      {"Esc", [](HWND q) { press_key(q, VK_ESCAPE); }},
      {"close box", [](HWND q) { PostMessageA(q, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& a : answers) {
    SCOPED_TRACE(a.name);
    Installed installed("uninstall no", tree);
    const auto uninstall = installed.start();
    HWND question = wait_for_window(uninstall->id(), texts::caption_confirm);
    ASSERT_TRUE(question);
    a.answer(question);
    EXPECT_EQ(uninstall->wait_exit(10000), 0);
    for (const Item& item : tree) EXPECT_TRUE(exists(installed.space.path(item.name))) << item.name;
    EXPECT_TRUE(is_file(installed.log_path()));
    EXPECT_TRUE(installed.keys_there());
    EXPECT_FALSE(is_file(batch_path()));
    Sleep(500);
    EXPECT_TRUE(is_file(installed.exe()));
  }
}

TEST(Uninstall, AnUnreadableLogIsReportedAndWhatFollowsItIsNotDone) {
  const std::size_t whole = UninstallHeader::size + 4 * UninstallRecord::size;
  const struct {
    const char* name;
    std::size_t size;  // of Uninst.dat; 0: none there
    bool asks;
    std::vector<const char*> removed;
  } cases[] = {
      {"no log", 0, false, {}},
      {"header cut short", UninstallHeader::size - 1, false, {}},
      // Cut inside the third record: the two before it are removed all the same.
      {"records cut short", whole - UninstallRecord::size - 100, true,
       {"Readme.txt", "Formula\\Standard.mfm"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Installed installed("uninstall unreadable", tree);
    if (c.size) installed.write_log(c.size);
    else DeleteFileA(installed.log_path().c_str());
    const auto uninstall = installed.start();
    if (c.asks) {
      HWND question = wait_for_window(uninstall->id(), texts::caption_confirm);
      ASSERT_TRUE(question);
      click(child_with_text(question, texts::button_yes));
    }
    HWND warning = wait_for_window(uninstall->id(), texts::caption_warning);
    ASSERT_TRUE(warning);
    EXPECT_EQ(message_of(warning), "Could not read the uninstall log file.");
    click(child_with_text(warning, texts::button_ok));
    EXPECT_EQ(uninstall->wait_exit(10000), 0);

    for (const Item& item : tree) {
      bool removed = false;
      for (const char* name : c.removed) removed = removed || std::string(name) == item.name;
      EXPECT_NE(exists(installed.space.path(item.name)), removed) << item.name;
    }
    EXPECT_EQ(is_file(installed.log_path()), c.size != 0);
    EXPECT_TRUE(installed.keys_there());
    EXPECT_FALSE(is_file(batch_path()));
    Sleep(500);
    EXPECT_TRUE(is_file(installed.exe()));
  }
}

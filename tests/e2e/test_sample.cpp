// The sample product as it ships, packed by the Windows build of the tool: installed through
// the wizard with both kinds of shortcut, then uninstalled, with nothing left of it.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/texts.h"
#include "core/uninstall_log.h"
#include "tests/e2e/driver.h"
#include "tests/win/registry_test_keys.h"
#include "win/files.h"
#include "wizard/layout.h"

using namespace e2e;
using regtest::key_exists;

namespace {

// What pack_sample.sh packed the sample with.
constexpr char settings_key[] = "Software\\Marbelo\\Orbit\\2.0";
constexpr char uninstall_key[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Marbelo Orbit 2.0";
constexpr double packed_date = 45306.4375;  // 2024-01-15 10:30:00
const char* const companions[] = {"Tile.bmp", "Click.wav"};

// Every file and folder below root, as paths relative to it.
void list_tree(const std::string& root, const std::string& below, std::set<std::string>& out) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((root + below + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    out.insert(below + name);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) list_tree(root, below + name + "\\", out);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

std::string special_folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}

}  // namespace

TEST(SampleProduct, InstallsWithItsShortcutsAndUninstallsToNothing) {
  const char* staged = std::getenv("MO_SAMPLE_DIR");  // holds product\ and dist\, made by ctest
  if (!staged || !*staged) GTEST_SKIP() << "MO_SAMPLE_DIR names no packed sample";
  const std::string product = from_unix(staged) + "\\product\\";
  const std::string dist = from_unix(staged) + "\\dist\\";
  RegDeleteTreeA(HKEY_CURRENT_USER, settings_key);
  Workspace source("sample-source");
  Workspace dest_parent("sample-dest");
  ASSERT_TRUE(CopyFileA(setup_exe().c_str(), source.path("Setup.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((dist + "Setup.dat").c_str(), source.path("Setup.dat").c_str(), FALSE));
  for (const char* name : companions)
    ASSERT_TRUE(CopyFileA((dist + name).c_str(), source.path(name).c_str(), FALSE)) << name;
  const std::string dest = dest_parent.path("Marbelo Orbit");
  const std::string d = dest + "\\";

  {
    Program setup(source.path("Setup.exe"), source.dir());
    HWND window = wait_for_window(setup.id(), texts::setup_title);
    ASSERT_TRUE(window);
    auto control = [&](ControlId id) { return child_with_id(window, id); };
    ASSERT_TRUE(to_dest_page(control(NextButton)));
    SendMessageA(control(DestFolderInput), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
    click(control(NextButton));
    ASSERT_TRUE(wait_for_text(control(NextButton), texts::button_install));
    EXPECT_EQ(SendMessageA(control(IconFolderCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(control(IconShortcutCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
    click(control(NextButton));
    ASSERT_TRUE(wait_for_text(control(NextButton), texts::button_finish));
    SendMessageA(control(ReadyReadmeCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(control(ReadyStartCheck), BM_SETCHECK, BST_UNCHECKED, 0);
    click(control(NextButton));
    EXPECT_EQ(setup.wait_exit(10000), 0);
  }

  // The tree, byte for byte and dated as packed, then the companions, then the shortcuts: the
  // log's records, in that order, and each of them there.
  std::set<std::string> tree;
  list_tree(product, "", tree);
  ASSERT_GT(tree.size(), 10u);
  for (const std::string& item : tree) {
    if (wintest::is_folder(product + item)) {
      EXPECT_TRUE(wintest::is_folder(d + item)) << item;
      continue;
    }
    EXPECT_TRUE(wintest::read_file(d + item) == wintest::read_file(product + item)) << item;
    const auto date = read_file_date(d + item);
    EXPECT_TRUE(date && *date == packed_date) << item;
  }
  const std::string menu = special_folder(CSIDL_PROGRAMS) + "\\Marbelo Orbit";
  const std::vector<std::string> shortcuts = {
      menu + "\\Marbelo Orbit 2.0.lnk", menu + "\\Marbelo Orbit Help.lnk", menu + "\\Read Me.lnk",
      menu, special_folder(CSIDL_DESKTOPDIRECTORY) + "\\Marbelo Orbit 2.0.lnk"};
  std::vector<std::string> logged;
  {
    FileInputStream log_file(d + "Uninst.dat");
    UninstallLogReader log(log_file);
    EXPECT_EQ(log.header().product_name.view(), "Marbelo Orbit 2.0");
    for (int i = 0; i < log.header().record_count; ++i)
      logged.emplace_back(log.next().path.view());
  }
  ASSERT_EQ(logged.size(), tree.size() + 2 + shortcuts.size());
  std::set<std::string> logged_tree;
  for (std::size_t i = 0; i < tree.size(); ++i) logged_tree.insert(logged[i].substr(d.size()));
  EXPECT_EQ(logged_tree, tree);
  EXPECT_EQ(logged[tree.size()], d + companions[0]);
  EXPECT_EQ(logged[tree.size() + 1], d + companions[1]);
  EXPECT_EQ(std::vector<std::string>(logged.end() - 5, logged.end()), shortcuts);
  for (const std::string& path : logged) EXPECT_TRUE(wintest::exists(path)) << path;
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, std::string(settings_key) + "\\Directories"));
  EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
  if (runs_on_wow64()) {  // a 32-bit program's registration: in the 32-bit view only
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall_key, 0, KEY_READ | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
  }

  // The uninstaller takes everything back; its batch file takes itself, the program and the
  // folder once the program has ended.
  {
    Program uninstall(d + "Uninst.exe", d);
    HWND question = wait_for_window(uninstall.id(), texts::caption_confirm);
    ASSERT_TRUE(question);
    click(child_with_text(question, texts::button_yes));
    HWND report = wait_for_window(uninstall.id(), texts::caption_information, 60000);
    ASSERT_TRUE(report);
    click(child_with_text(report, texts::button_ok));
    EXPECT_EQ(uninstall.wait_exit(10000), 0);
  }
  for (const std::string& path : logged) EXPECT_FALSE(wintest::exists(path)) << path;
  for (int i = 0; i < 300 && wintest::exists(dest); ++i) Sleep(100);
  EXPECT_FALSE(wintest::exists(dest)) << "the installation folder stayed";
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, settings_key));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
}

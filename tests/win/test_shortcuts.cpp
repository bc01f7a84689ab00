// Shortcuts made by the shell's link object, read back through IShellLinkA and as bytes, with
// the records they leave in the uninstall log. The Start menu and desktop are temporary folders
// given through create_shortcuts_using, so the prefix's own stay untouched.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/dates.h"
#include "core/icon_location.h"
#include "core/paths.h"
#include "core/streams.h"
#include "install/shortcuts.h"
#include "tests/support/win_test_support.h"
#include "win/files.h"
#include "win/handles.h"

using namespace wintest;

namespace {

struct LinkProperties {
  std::string path, working_dir, icon_path;
  int icon_index = -1;
};

LinkProperties read_link(const std::string& link) {
  ComApartment apartment;
  ComPtr<IShellLinkA> shell_link;
  ComPtr<IPersistFile> file;
  LinkProperties p;
  if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                       shell_link.out()) != S_OK ||
      shell_link->QueryInterface(IID_IPersistFile, file.out()) != S_OK) {
    ADD_FAILURE() << "no link object";
    return p;
  }
  std::wstring wide(link.begin(), link.end());  // test paths are ASCII
  EXPECT_EQ(file->Load(wide.c_str(), STGM_READ), S_OK) << link;
  char buffer[MAX_PATH] = {};
  shell_link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
  p.path = buffer;
  buffer[0] = 0;
  shell_link->GetWorkingDirectory(buffer, MAX_PATH);
  p.working_dir = buffer;
  buffer[0] = 0;
  shell_link->GetIconLocation(buffer, MAX_PATH, &p.icon_index);
  p.icon_path = buffer;
  return p;
}

// The fixed start of every shell link file: header size 0x4C, then the link class's GUID.
void expect_link_bytes(const std::string& link, const std::string& target) {
  const std::string bytes = read_file(link);
  ASSERT_GE(bytes.size(), 0x4Cu) << link;
  const std::uint8_t start[20] = {0x4C, 0,    0,    0,    0x01, 0x14, 0x02, 0, 0, 0,
                                  0,    0,    0xC0, 0,    0,    0,    0,    0, 0, 0x46};
  EXPECT_EQ(std::memcmp(bytes.data(), start, sizeof start), 0) << link;
  EXPECT_NE(bytes.find(target), std::string::npos) << link << " does not name " << target;
}

std::vector<UninstallRecord> logged_records(const MemoryOutputStream& out) {
  MemoryInputStream in(out.bytes());
  UninstallLogReader reader(in);
  std::vector<UninstallRecord> records;
  for (int i = 0; i < reader.header().record_count; ++i) records.push_back(reader.next());
  EXPECT_EQ(out.bytes().size(), UninstallHeader::size + records.size() * UninstallRecord::size);
  return records;
}

class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    base_ = add_backslash(temp) + "mo_shortcuts_" + std::to_string(GetCurrentProcessId());
    remove_tree(base_);
    dest_ = base_ + "\\dest\\";
    programs_ = base_ + "\\programs";
    desktop_ = base_ + "\\desktop";
    for (const auto& dir : {base_, dest_, programs_, desktop_})
      CreateDirectoryA(dir.c_str(), nullptr);
    for (const char* name : {"Mo.exe", "Mo.hlp", "Readme.txt"}) write_file(dest_ + name, name);
  }
  void TearDown() override { remove_tree(base_); }

  // Runs the step with the temporary folders, noting which special folders it asked for.
  std::vector<UninstallRecord> run(ShortcutChoice choice) {
    MemoryOutputStream out;
    UninstallLogWriter log(out, SetupHeader{});
    create_shortcuts_using(choice, dest_, log, [this](int csidl) {
      asked_.push_back(csidl);
      return csidl == CSIDL_PROGRAMS ? programs_ : csidl == CSIDL_DESKTOPDIRECTORY ? desktop_ : "";
    });
    log.finish();
    return logged_records(out);
  }

  // A shortcut record: the link exists, is a link to target, and its date is logged exactly as
  // the uninstaller will read it back.
  void expect_shortcut(const UninstallRecord& record, const std::string& link,
                       const std::string& target) {
    SCOPED_TRACE(link);
    EXPECT_EQ(record.path.str(), link);
    EXPECT_FALSE(record.is_folder);
    const auto date = read_file_date(link);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(bits(record.file_date), bits(*date));
    const LinkProperties p = read_link(link);
    EXPECT_EQ(p.path, target);
    EXPECT_EQ(p.working_dir, dest_);  // the target's folder, its backslash included
    const IconLocation icon = find_icon_location(target);
    EXPECT_EQ(p.icon_path, icon.path);
    EXPECT_EQ(p.icon_index, icon.index);
    expect_link_bytes(link, target);
  }

  std::string base_, dest_, programs_, desktop_;
  std::vector<int> asked_;
};

TEST_F(ShortcutsTest, EachCombinationOfTheTwoBoxes) {
  for (bool folder : {false, true}) {
    for (bool desktop : {false, true}) {
      SCOPED_TRACE(testing::Message() << "folder " << folder << ", desktop " << desktop);
      TearDown();
      SetUp();
      asked_.clear();
      const auto records = run({folder, desktop});

      std::vector<int> expected_asks;
      if (folder) expected_asks.push_back(CSIDL_PROGRAMS);
      if (desktop) expected_asks.push_back(CSIDL_DESKTOPDIRECTORY);
      EXPECT_EQ(asked_, expected_asks);
      ASSERT_EQ(records.size(), (folder ? 4u : 0u) + (desktop ? 1u : 0u));

      const std::string menu = programs_ + "\\Marbelo Orbit";
      EXPECT_EQ(exists(menu), folder);
      std::size_t i = 0;
      if (folder) {
        expect_shortcut(records[i++], menu + "\\Marbelo Orbit 2.0.lnk", dest_ + "Mo.exe");
        expect_shortcut(records[i++], menu + "\\Marbelo Orbit Help.lnk", dest_ + "Mo.hlp");
        expect_shortcut(records[i++], menu + "\\Read Me.lnk", dest_ + "Readme.txt");
        EXPECT_EQ(records[i].path.str(), menu);
        EXPECT_TRUE(records[i].is_folder);
        EXPECT_EQ(bits(records[i++].file_date), 0u);
      }
      const std::string desktop_link = desktop_ + "\\Marbelo Orbit 2.0.lnk";
      EXPECT_EQ(exists(desktop_link), desktop);
      if (desktop) expect_shortcut(records[i], desktop_link, dest_ + "Mo.exe");
    }
  }
}

TEST_F(ShortcutsTest, ExistingFolderAndLinkAreReused) {
  const std::string menu = programs_ + "\\Marbelo Orbit";
  const std::string link = menu + "\\Read Me.lnk";
  CreateDirectoryA(menu.c_str(), nullptr);
  write_file(menu + "\\user note.txt", "mine");
  write_file(link, "an old file of the same name");
  set_file_date(link, *dos_to_datetime({0x2A21, 0}));  // 2001-01-01
  const double old_date = *read_file_date(link);

  const auto records = run({true, false});
  ASSERT_EQ(records.size(), 4u);
  expect_shortcut(records[2], link, dest_ + "Readme.txt");
  EXPECT_NE(bits(records[2].file_date), bits(old_date));
  EXPECT_TRUE(records[3].is_folder);
  EXPECT_TRUE(exists(menu + "\\user note.txt"));
}

TEST_F(ShortcutsTest, OnlySavedLinksAreLoggedAndPathsAreCutTo255) {
  MemoryOutputStream out;
  UninstallLogWriter log(out, SetupHeader{});
  // No folder to save into: no file, so nothing the uninstaller could remove or miss.
  create_logged_shortcut(base_ + "\\missing\\x.lnk", dest_ + "Mo.exe", log);
  EXPECT_EQ(log.record_count(), 0);

  // A link path of 258 characters is saved whole and logged as far as a record holds.
  std::string deep = base_ + "\\";
  deep += std::string(240 - deep.size(), 'd');
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  std::string link = deep + "\\";
  link += std::string(254 - link.size(), 'n') + ".lnk";
  ASSERT_EQ(link.size(), 258u);
  create_logged_shortcut(link, dest_ + "Mo.exe", log);
  log.finish();
  const auto records = logged_records(out);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].path.str(), link.substr(0, 255));
  EXPECT_EQ(bits(records[0].file_date), bits(read_file_date(link).value()));
}

// File-type keys under HKEY_CLASSES_ROOT made for the test and removed before and after.
class IconKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".motst1");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "MoTest.File1");
  }
  static void set(const char* key, DWORD type, const void* data, DWORD size) {
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &opened, nullptr),
              ERROR_SUCCESS);
    const RegKey owner(opened);
    if (data) {
      ASSERT_EQ(RegSetValueExA(opened, nullptr, 0, type, static_cast<const BYTE*>(data), size),
                ERROR_SUCCESS);
    }
  }
  static void set_text(const char* key, const std::string& text) {
    set(key, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
};

TEST_F(IconKeysTest, DefaultIconOfTheFileType) {
  const DWORD number = 5;
  struct Case {
    const char* name;
    bool extension_key, class_key;
    DWORD type;  // of DefaultIcon's value; 0: no DefaultIcon key
    std::string value;
    IconLocation expected;
  };
  const Case cases[] = {
      {"path alone", true, true, REG_SZ, "C:\\icons\\mo.dll", {"C:\\icons\\mo.dll", 0}},
      {"negative index", true, true, REG_SZ, "C:\\icons\\mo.dll,-2", {"C:\\icons\\mo.dll", -2}},
      {"blanks", true, true, REG_SZ, " C:\\icons\\mo.dll , 3 ", {"C:\\icons\\mo.dll ", 3}},
      {"two commas", true, true, REG_SZ, "C:\\a.dll,1,2", {"C:\\a.dll,1,2", 0}},
      {"hex", true, true, REG_SZ, "C:\\a.dll,$1F", {"C:\\a.dll", 31}},
      {"read to NUL", true, true, REG_SZ, std::string("C:\\a.dll,2\0,9", 13), {"C:\\a.dll", 2}},
      {"not expanded", true, true, REG_EXPAND_SZ, "%SystemRoot%\\a.dll,4",
       {"%SystemRoot%\\a.dll", 4}},
      {"icon value no text", true, true, REG_DWORD, "", {}},
      {"no DefaultIcon", true, true, 0, "", {}},
      {"no class key", true, false, 0, "", {}},
      {"no extension key", false, false, 0, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    if (c.extension_key) set_text(".motst1", "MoTest.File1");
    if (c.class_key) set_text("MoTest.File1", "A test file");
    const char* icon_key = "MoTest.File1\\DefaultIcon";
    if (c.type == REG_DWORD) set(icon_key, REG_DWORD, &number, sizeof number);
    else if (c.type) set(icon_key, c.type, c.value.data(), DWORD(c.value.size() + 1));
    EXPECT_EQ(find_icon_location("C:\\Mo\\file.motst1"), c.expected);
    EXPECT_EQ(find_icon_location("C:\\Mo\\FILE.MOTST1"), c.expected);
  }

  // An extension whose class is not text, or is empty, names no file type.
  TearDown();
  set(".motst1", REG_DWORD, &number, sizeof number);
  set_text("MoTest.File1\\DefaultIcon", "C:\\a.dll");
  EXPECT_EQ(find_icon_location("C:\\Mo\\file.motst1"), IconLocation{});
  set_text(".motst1", "");
  EXPECT_EQ(find_icon_location("C:\\Mo\\file.motst1"), IconLocation{});

  // Programs and icons give themselves, whatever their type's keys say.
  EXPECT_EQ(find_icon_location("C:\\Mo\\Mo.EXE"), (IconLocation{"C:\\Mo\\Mo.EXE", 0}));
  EXPECT_EQ(find_icon_location("C:\\Mo\\a.ico"), (IconLocation{"C:\\Mo\\a.ico", 0}));
  EXPECT_EQ(find_icon_location("C:\\Mo\\noextension"), IconLocation{});
}

TEST_F(IconKeysTest, LinkCarriesTheFileTypesIcon) {
  set_text(".motst1", "MoTest.File1");
  set_text("MoTest.File1\\DefaultIcon", "C:\\icons\\mo.dll,-2");
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string target = std::string(temp) + "mo_icon_target.motst1";
  const std::string link = std::string(temp) + "mo_icon_link.lnk";
  write_file(target, "data");
  create_shell_link(link, target);
  const LinkProperties p = read_link(link);
  EXPECT_EQ(p.icon_path, "C:\\icons\\mo.dll");
  EXPECT_EQ(p.icon_index, -2);
  expect_link_bytes(link, target);
  DeleteFileA(link.c_str());
  DeleteFileA(target.c_str());
}

std::string folder_by_other_api(int csidl) {
  char path[MAX_PATH] = {};
  return SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK ? path : "";
}

TEST(SpecialFolders, ThePrefixsProgramsAndDesktop) {
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_DESKTOPDIRECTORY}) {
    const std::string path = special_folder_path(csidl, nullptr);
    SCOPED_TRACE(path);
    EXPECT_FALSE(path.empty());
    EXPECT_EQ(path, folder_by_other_api(csidl));
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  }
  EXPECT_EQ(file_name_part(special_folder_path(CSIDL_PROGRAMS, nullptr)), "Programs");
  // My Computer has an item list but no file-system path; 0x7E is no folder at all.
  EXPECT_EQ(special_folder_path(CSIDL_DRIVES, nullptr), "");
  EXPECT_EQ(special_folder_path(0x7E, nullptr), "");
}

bool any_file_named_like(const std::string& folder, const std::string& part) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool hit = false;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    hit = name.find(part) != std::string::npos ||
          ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           any_file_named_like(folder + "\\" + name, part));
  } while (!hit && FindNextFileA(search, &found));
  FindClose(search);
  return hit;
}

// Saving a link into the Start menu must not reach the Linux desktop's menus: the test wrapper
// keeps Wine's menu builder off, and shortcut creation must not depend on it.
TEST(SpecialFolders, StartMenuLinkWritesNoLinuxMenuEntry) {
  // Wine names the Linux home as "\??\Z:\root"; Windows has no Linux desktop to check.
  char home[MAX_PATH] = {};
  if (GetEnvironmentVariableA("WINEHOMEDIR", home, MAX_PATH) == 0) GTEST_SKIP() << "not Wine";
  const std::string applications =
      std::string(home).substr(std::strncmp(home, "\\??\\", 4) == 0 ? 4 : 0) +
      "\\.local\\share\\applications";

  const std::string name = "MoTest menu check " + std::to_string(GetCurrentProcessId());
  const std::string link = special_folder_path(CSIDL_PROGRAMS, nullptr) + "\\" + name + ".lnk";
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  create_shell_link(link, std::string(system) + "\\notepad.exe");
  EXPECT_TRUE(exists(link));
  Sleep(2000);  // the menu builder would run as a process of its own
  EXPECT_FALSE(any_file_named_like(applications, name)) << applications;
  DeleteFileA(link.c_str());
}

}  // namespace

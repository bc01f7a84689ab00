// The uninstaller's parts against the real system: logged items removed from a temporary tree,
// key trees deleted under private keys, and the self-removal batch file run by the real
// command interpreter. The whole run, with its dialogs, is driven from outside in tests/e2e.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "core/dates.h"
#include "core/failure.h"
#include "core/uninstall_log.h"
#include "core/uninstall_rules.h"
#include "registry_test_keys.h"
#include "tests/support/win_test_support.h"
#include "uninstall/registry_cleanup.h"
#include "uninstall/uninstaller.h"
#include "win/files.h"
#include "win/handles.h"

using namespace regtest;
using namespace wintest;

namespace {

// 2003-07-21 14:32:10, a DOS date-time exactly.
const double logged_date =
    *dos_to_datetime({(23 << 9) | (7 << 5) | 21, (14 << 11) | (32 << 5) | 5});

// Moves a file's last-write time by two seconds, the smallest step a DOS date-time shows.
void touch_later(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << path;
  FILETIME written;
  ASSERT_TRUE(GetFileTime(file.get(), nullptr, nullptr, &written));
  ULARGE_INTEGER t{{written.dwLowDateTime, written.dwHighDateTime}};
  t.QuadPart += 20'000'000;  // 100-ns steps
  written = {t.LowPart, t.HighPart};
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
}

struct LoggedItem {
  std::string path;
  double date;
  bool folder;
};

// The bytes of an Uninst.dat holding these records.
std::vector<std::uint8_t> log_bytes(const std::vector<LoggedItem>& items) {
  MemoryOutputStream out;
  SetupHeader setup;
  setup.product_name.assign("MoSetupTests Uninstaller");
  UninstallLogWriter writer(out, setup);
  for (const LoggedItem& item : items) writer.append(item.path, item.date, item.folder);
  writer.finish();
  return out.bytes();
}

bool remove_from_log(const std::vector<std::uint8_t>& bytes, std::int32_t record_count) {
  MemoryInputStream in(bytes);
  UninstallLogReader log(in);
  return remove_logged_items(log, record_count);
}

}  // namespace

TEST(RemoveLoggedItems, DeletesWhatIsUnchangedAndKeepsTheRest) {
  TempFolder dir("mo uninstall items");
  const struct {
    const char* name;
    bool folder;
    std::function<void(const std::string&)> prepare;  // after the file got its logged date
    bool stays;
    double date_offset = 0;  // added to the logged date in the record
  } items[] = {
      {"Unchanged.txt", false, nullptr, false},
      {"Changed.txt", false, touch_later, true},
      {"Help.GID", false, touch_later, false},  // rewritten by the help system: goes anyway
      // Gone before the uninstallation: counts as not removed, so the result is false.
      {"Missing.txt", false, [](const std::string& p) { DeleteFileA(p.c_str()); }, false},
      {"ReadOnly.txt", false,
       [](const std::string& p) { SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY); },
       true},
      // A logged date that is no DOS date-time never equals what a file can carry.
      {"NotDosExact.txt", false, nullptr, true, 1.0 / 86'400'000},
      {"Sub\\Inner.txt", false, nullptr, false},
      {"Sub", true, nullptr, false},  // emptied by the record before it
      {"Kept\\Edited.mfm", false, touch_later, true},
      {"Kept", true, nullptr, true},         // still holds the edited file
      {"AFolderNow", false, nullptr, true},  // logged as a file, a folder by now
  };
  CreateDirectoryA((dir / "Sub").c_str(), nullptr);
  CreateDirectoryA((dir / "Kept").c_str(), nullptr);
  CreateDirectoryA((dir / "AFolderNow").c_str(), nullptr);
  std::vector<LoggedItem> log;
  for (const auto& item : items) {
    const std::string path = dir / item.name;
    if (!item.folder && !is_folder(path)) {
      write_file(path, "contents");
      set_file_date(path, logged_date);
    }
    if (item.prepare) item.prepare(path);
    log.push_back({path, logged_date + item.date_offset, item.folder});
  }

  EXPECT_FALSE(remove_from_log(log_bytes(log), static_cast<std::int32_t>(log.size())));
  for (const auto& item : items) {
    SCOPED_TRACE(item.name);
    const std::string path = dir / item.name;
    EXPECT_EQ(is_file(path) || is_folder(path), item.stays);
  }
}

TEST(RemoveLoggedItems, TrueOnlyWhenEveryRecordCountedAsRemoved) {
  TempFolder dir("mo uninstall all");
  const std::string a = dir / "A.txt", b = dir / "B.txt";
  const auto prepare = [&] {
    for (const std::string& path : {a, b}) {
      write_file(path, "contents");
      set_file_date(path, logged_date);
    }
  };
  const auto bytes = log_bytes({{a, logged_date, false}, {b, logged_date, false}});
  const struct {
    std::int32_t count;
    bool result, a_gone, b_gone;
  } cases[] = {
      {2, true, true, true},
      {1, true, true, false},    // records beyond the count are never read
      {0, true, false, false},   // nothing to remove: all of it is removed
      {-1, false, false, false},  // nothing read, and the count is never reached
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    prepare();
    EXPECT_EQ(remove_from_log(bytes, c.count), c.result);
    EXPECT_EQ(!is_file(a), c.a_gone);
    EXPECT_EQ(!is_file(b), c.b_gone);
  }
}

TEST(RemoveLoggedItems, ALogCutShortRemovesWhatCameBeforeTheCutThenFails) {
  TempFolder dir("mo uninstall cut");
  std::vector<LoggedItem> log;
  for (const char* name : {"First.txt", "Second.txt", "Third.txt"}) {
    write_file(dir / name, "contents");
    set_file_date(dir / name, logged_date);
    log.push_back({dir / name, logged_date, false});
  }
  std::vector<std::uint8_t> bytes = log_bytes(log);
  bytes.resize(UninstallHeader::size + UninstallRecord::size + UninstallRecord::size / 2);
  try {
    remove_from_log(bytes, 3);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.text(), "Stream read error");
  }
  EXPECT_FALSE(is_file(dir / "First.txt"));
  EXPECT_TRUE(is_file(dir / "Second.txt"));
  EXPECT_TRUE(is_file(dir / "Third.txt"));
}

namespace {

const std::string tree_path = "Software\\MoSetupTests\\Uninstaller";
const std::string neighbour_path = "Software\\MoSetupTests\\UninstallerNeighbour";
const std::string uninstall_root = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A tree four levels deep with values and siblings at every level.
void make_tree(HKEY root, const std::string& path) {
  for (const char* sub : {"", "\\A", "\\A\\B", "\\A\\B\\C", "\\A\\B\\C\\D", "\\A\\B2", "\\A2"})
    ASSERT_TRUE(write_raw(root, path + sub, "Value", sz(sub)));
}

// A key of HKEY_CLASSES_ROOT that may belong to the machine: kept aside in a private key
// while the test owns the name, and put back afterwards.
class SavedClassesKey {
 public:
  explicit SavedClassesKey(std::string name)
      : name_(std::move(name)), backup_("Software\\MoSetupTests\\Saved\\" + name_) {
    delete_tree(HKEY_CURRENT_USER, backup_);
    saved_ = key_exists(HKEY_CLASSES_ROOT, name_);
    if (saved_) {
      EXPECT_EQ(copy(HKEY_CLASSES_ROOT, name_, HKEY_CURRENT_USER, backup_), ERROR_SUCCESS);
    }
    delete_tree(HKEY_CLASSES_ROOT, name_);
  }
  ~SavedClassesKey() {
    delete_tree(HKEY_CLASSES_ROOT, name_);
    if (saved_) copy(HKEY_CURRENT_USER, backup_, HKEY_CLASSES_ROOT, name_);
    delete_tree(HKEY_CURRENT_USER, backup_);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\MoSetupTests\\Saved");
  }
  SavedClassesKey(const SavedClassesKey&) = delete;
  SavedClassesKey& operator=(const SavedClassesKey&) = delete;

 private:
  static LONG copy(HKEY from_root, const std::string& from, HKEY to_root, const std::string& to) {
    HKEY source, target;
    LONG status = RegOpenKeyExA(from_root, from.c_str(), 0, KEY_READ, &source);
    if (status != ERROR_SUCCESS) return status;
    status = RegCreateKeyExA(to_root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target,
                             nullptr);
    if (status == ERROR_SUCCESS) {
      status = RegCopyTreeA(source, nullptr, target);
      RegCloseKey(target);
    }
    RegCloseKey(source);
    return status;
  }

  std::string name_, backup_;
  bool saved_ = false;
};

}  // namespace

TEST(DeleteKeyTree, RemovesTheWholeTreeHoweverThePathIsSpelled) {
  ScratchKey neighbour(HKEY_CURRENT_USER, neighbour_path);
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, neighbour.path(), "Stays", sz("yes")));
  // Plain, with a trailing "\" (dropped), with a leading "\" (from the root all the same).
  // Wine's registry takes a path ending in "\" for the key itself, so under Wine the trailing
  // spellings pass whether or not the backslash is dropped.
  for (const std::string& spelling :
       {tree_path, tree_path + "\\", "\\" + tree_path, "\\" + tree_path + "\\"}) {
    SCOPED_TRACE(spelling);
    ScratchKey tree(HKEY_CURRENT_USER, tree_path);
    make_tree(HKEY_CURRENT_USER, tree_path);
    // Every key is deleted on its own (RegDeleteKeyA refuses a key that still has subkeys),
    // so the tree is gone only if the deepest keys went first.
    delete_key_tree(HKEY_CURRENT_USER, spelling);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tree_path));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, neighbour.path()));
  }
  // A key that is not there: nothing happens, nothing is raised.
  delete_key_tree(HKEY_CURRENT_USER, tree_path);
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, neighbour.path(), "Stays"), sz("yes"));
}

TEST(DeleteKeyTree, WhatResistsStaysWithItsParentsAndTheRestGoes) {
  ScratchKey tree(HKEY_CURRENT_USER, tree_path);
  make_tree(HKEY_CURRENT_USER, tree_path);
  // C may be read but not opened with full access, so its subkey D is never visited, and a key
  // that still holds a subkey is not deleted. (A key locked on its own will not do here: Wine
  // grants the right to delete a key whatever its DACL says.)
  ASSERT_TRUE(lock_key(HKEY_CURRENT_USER, tree / "A\\B\\C"));
  // Deletable but not to be opened with full access: its deletion is still tried.
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, tree / "A2\\NoFullAccess", "Value", sz("x")));
  ASSERT_TRUE(set_dacl(HKEY_CURRENT_USER, tree / "A2\\NoFullAccess",
                       "D:P(A;;KR;;;WD)(A;;SD;;;WD)"));

  delete_key_tree(HKEY_CURRENT_USER, tree_path);
  for (const char* stays : {"A\\B\\C\\D", "A\\B\\C", "A\\B", "A"})
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, tree / stays)) << stays;
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, tree_path));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tree / "A\\B2"));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tree / "A2"));
  // Values are never deleted one by one: those of the keys that stay are all there.
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, tree / "A\\B", "Value"), sz("\\A\\B"));
  EXPECT_EQ(read_raw(HKEY_CURRENT_USER, tree_path, "Value"), sz(""));
}

TEST(RemoveFileType, BothKeysOfTheExtensionGoWhateverTheyHold) {
  SavedClassesKey mal(".mal"), mal_class("MO_mal_File"), mcl(".mcl");
  // The extension taken over by another program meanwhile: deleted all the same.
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, ".mal", "", sz("OtherProgram.Document")));
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, ".mal\\ShellNew", "NullFile", sz("")));
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, "MO_mal_File\\DefaultIcon", "", sz("C:\\Mo.exe,1")));
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, "MO_mal_File\\shell\\open\\command", "", sz("Mo.exe")));
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, ".mcl", "", sz("MO_mcl_File")));

  remove_file_type("mal");
  EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, ".mal"));
  EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, "MO_mal_File"));
  EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, ".mcl"));
}

TEST(RemoveProductKeys, SettingsRegistrationAndFileTypes) {
  const std::string product = "MoSetupTests Uninstaller";
  ScratchKey settings(HKEY_CURRENT_USER, tree_path);
  ScratchKey registration(HKEY_LOCAL_MACHINE, uninstall_root + "\\" + product);
  SavedClassesKey mxf(".mxf"), mxf_class("MO_mxf_File");
  make_tree(HKEY_CURRENT_USER, tree_path);
  ASSERT_TRUE(write_raw(HKEY_LOCAL_MACHINE, registration.path(), "DisplayName", sz(product)));
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, ".mxf", "", sz("MO_mxf_File")));
  ASSERT_TRUE(write_raw(HKEY_CLASSES_ROOT, "MO_mxf_File\\DefaultIcon", "", sz("Mo.exe,0")));

  remove_product_keys(tree_path, product);
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, tree_path));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, registration.path()));
  EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_root));
  EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, ".mxf"));
  EXPECT_FALSE(key_exists(HKEY_CLASSES_ROOT, "MO_mxf_File"));
}

TEST(RemoveProductKeys, NamesOfNoKeyOfTheirOwnSkipTheirRows) {
  // Read from a damaged or hand-made log, these would name a whole root (the user's keys) and
  // the key of every program's uninstall registration. The NULs come from a length byte that
  // claims more characters than were written.
  const std::string names[] = {"", "\\", "\\\\", std::string(31, '\0'),
                               std::string("\\\0Software", 10)};
  ScratchKey neighbour(HKEY_CURRENT_USER, neighbour_path);
  ScratchKey other_program(HKEY_LOCAL_MACHINE, uninstall_root + "\\MoSetupTests Other Program");
  ASSERT_TRUE(write_raw(HKEY_CURRENT_USER, neighbour.path(), "Stays", sz("yes")));
  ASSERT_TRUE(write_raw(HKEY_LOCAL_MACHINE, other_program.path(), "DisplayName", sz("Other")));
  ScratchKey tree(HKEY_CURRENT_USER, tree_path);
  make_tree(HKEY_CURRENT_USER, tree_path);
  RegKey scratch_root;
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, tree_path.c_str(), 0, KEY_ALL_ACCESS, &opened),
            ERROR_SUCCESS);
  scratch_root.reset(opened);
  for (std::size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(i);
    // First with a scratch key standing in for the root, where a failure costs only that key:
    // the real roots follow only once the name has left it alone.
    delete_key_tree(scratch_root.get(), names[i]);
    ASSERT_TRUE(key_exists(HKEY_CURRENT_USER, tree / "A\\B\\C\\D"));
    ASSERT_TRUE(key_exists(HKEY_CURRENT_USER, tree / "A2"));

    remove_product_keys(names[i], names[i]);
    EXPECT_EQ(read_raw(HKEY_CURRENT_USER, neighbour.path(), "Stays"), sz("yes"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, other_program.path(), "DisplayName"), sz("Other"));
  }
}

TEST(UninstallBatchUnderCmd, GivesUpOnAnExecutableThatStaysAndStillDeletesItself) {
  // Its deleting and waiting for a real uninstaller are seen end to end (tests/e2e); here the
  // bound, with three tries rather than a minute's worth.
  TempFolder install("mo batch install"), elsewhere("mo batch elsewhere");
  const std::string exe = install / "Uninst.exe", batch = uninstall_batch_path(elsewhere.path());
  write_file(exe, "MZ");
  ASSERT_TRUE(SetFileAttributesA(exe.c_str(), FILE_ATTRIBUTE_READONLY));  // del refuses it
  write_file(batch, uninstall_batch_text(exe, install.path(), batch, 3));

  // Started as the uninstaller starts it: by the shell, hidden, in the Windows folder.
  char windows_folder[MAX_PATH] = {};
  GetWindowsDirectoryA(windows_folder, MAX_PATH);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = batch.c_str();
  info.lpDirectory = windows_folder;
  info.nShow = SW_HIDE;
  const DWORD start = GetTickCount();
  ASSERT_TRUE(ShellExecuteExA(&info) && info.hProcess);
  const Handle process(info.hProcess);
  ASSERT_EQ(WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
  EXPECT_GE(GetTickCount() - start, 1500u) << "no pause between the tries";
  EXPECT_TRUE(is_file(exe));
  EXPECT_TRUE(is_folder(install.path()));  // not empty, so "rd" leaves it
  EXPECT_FALSE(is_file(batch));
}

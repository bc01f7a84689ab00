// The installation run into temporary folders: the files, their bytes and dates, Uninst.dat
// read back record by record, what the Copy page was shown, and the registry steps under
// private names. The fatal stops end their process, so those runs happen in install_probe.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "core/dates.h"
#include "core/failure.h"
#include "core/paths.h"
#include "core/setup_data_writer.h"
#include "core/texts.h"
#include "core/uninstall_log.h"
#include "install/installation.h"
#include "registry_test_keys.h"
#include "tests/support/win_test_support.h"
#include "win/files.h"
#include "win/handles.h"

using namespace regtest;
using namespace wintest;

namespace {

const char product_name[] = "MoSetupTests Installation";
const char settings_key[] = "Software\\MoSetupTests\\Installation";
const std::string uninstall_key =
    std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + product_name;

// 2003-07-21 14:32:10, a date every file system here can keep.
const double file_date = *dos_to_datetime({(23 << 9) | (7 << 5) | 21, (14 << 11) | (32 << 5) | 5});

// Everything below folder (which ends in "\"), sorted, folders marked with a trailing "\".
std::vector<std::string> listing(const std::string& folder, const std::string& prefix = "") {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      names.push_back(prefix + name + "\\");
      for (std::string& inner : listing(folder, prefix + name + "\\"))
        names.push_back(std::move(inner));
    } else {
      names.push_back(prefix + name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// A file the run left open would refuse a second opener: both of its files are unshared.
bool closed(const std::string& path) {
  return Handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr))
      .valid();
}

SetupHeader test_header(double date = file_date) {
  SetupHeader h;
  h.signature = {'t', 'e', 's', 't', 0, 1, 2, 0xFF};
  h.product_name.assign(product_name);
  h.settings_key.assign(settings_key);
  h.file_date = date;
  return h;
}

// Setup.dat bytes: the header, then whatever `lists` writes (both lists and their terminators).
std::string setup_dat(const SetupHeader& header,
                      const std::function<void(SetupDataWriter&)>& lists) {
  MemoryOutputStream out;
  SetupDataWriter writer(out, header);
  lists(writer);
  return std::string(out.bytes().begin(), out.bytes().end());
}

// More than two buffers' worth, so the contents cross piece boundaries.
std::string large_contents() {
  std::string bytes(150001, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

struct Item {
  const char* path;  // below DestDir; a folder's without trailing "\"
  bool folder;
  std::string contents;
};

// File A; folder D holding B (large) and folder E, which holds C; F (empty); an empty folder;
// companions G and H beside Setup.dat. In log order, folders after their contents.
const std::vector<Item> sample_items = {
    {"A.txt", false, "alpha"},
    {"D\\B.dat", false, large_contents()},
    {"D\\E\\C.txt", false, "c"},
    {"D\\E", true, ""},
    {"D", true, ""},
    {"F.txt", false, ""},
    {"Empty", true, ""},
    {"G.wav", false, "companion G"},
    {"H.bmp", false, "companion H"},
};

std::string sample_setup_dat(const SetupHeader& header = test_header()) {
  return setup_dat(header, [](SetupDataWriter& w) {
    w.file("A.txt", "alpha");
    w.begin_folder("D");
    w.file("B.dat", large_contents());
    w.begin_folder("E");
    w.file("C.txt", "c");
    w.end_list();
    w.end_list();
    w.file("F.txt", "");
    w.begin_folder("Empty");
    w.end_list();
    w.end_list();
    w.companion("G.wav");
    w.companion("H.bmp");
    w.end_list();
    w.contents("bytes after the companion list", 30);
  });
}

struct Log {
  UninstallHeader header;
  std::vector<UninstallRecord> records;  // all there are, also beyond RecordCount
};

Log read_log(const std::string& path) {
  const std::string bytes = read_file(path);
  const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  MemoryInputStream in(data);
  UninstallLogReader reader(in);
  Log log{reader.header(), {}};
  EXPECT_EQ((data.size() - UninstallHeader::size) % UninstallRecord::size, 0u);
  while (in.position() < data.size()) log.records.push_back(reader.next());
  EXPECT_EQ(std::string(log.header.signature.begin(), log.header.signature.end()), "KVUNINST");
  EXPECT_EQ(log.header.product_name.str(), product_name);
  EXPECT_EQ(log.header.settings_key.str(), settings_key);
  return log;
}

std::vector<std::string> record_paths(const Log& log) {
  std::vector<std::string> paths;
  for (const UninstallRecord& r : log.records) paths.push_back(r.path.str());
  return paths;
}

// What the Copy page is told, one line per call.
class RecordedProgress final : public InstallProgress {
 public:
  std::vector<std::string> events;
  std::string fail_at;  // an event that raises, as a window gone wrong might

  void set_status(const std::string& text) override { note("status " + text); }
  void set_range(std::uint16_t maximum) override { note("range " + std::to_string(maximum)); }
  void step() override { note("step"); }
  void fill() override { note("fill"); }
  void process_messages() override { note("pump"); }

 private:
  void note(const std::string& event) {
    events.push_back(event);
    if (event == fail_at) throw Failure("progress failed");
  }
};

// The calls a run makes with these item statuses ("Decompressing A.txt ...").
std::vector<std::string> expected_events(int total, const std::vector<std::string>& statuses) {
  std::vector<std::string> events = {"status Preparing installation...", "pump",
                                     "range " + std::to_string(total), "pump"};
  for (const std::string& status : statuses)
    events.insert(events.end(), {"status " + status, "step", "pump"});
  events.insert(events.end(), {"status Creating shortcuts...", "fill", "pump"});
  return events;
}

class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    base_ = add_backslash(temp) + "mo_install_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++serial);
    remove_tree(base_);
    source_ = base_ + "\\setup\\";
    dest_ = base_ + "\\dest\\";
    for (const std::string& dir : {base_, source_, dest_}) CreateDirectoryA(dir.c_str(), nullptr);
    run_.source_dir = source_;
    run_.dest_dir = dest_;
    run_.setup_data_path = source_ + "Setup.dat";
    run_.shortcuts = {false, false};
  }
  void TearDown() override { remove_tree(base_); }

  void install() { run_installation(run_, progress_); }

  void expect_nothing_registered() {
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, settings_key));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_key));
  }

  // The sample product installed completely, and nothing else in DestDir.
  void expect_sample_installed() {
    EXPECT_EQ(run_.total_items, 6);
    EXPECT_EQ(run_.log_record_count, 9);
    EXPECT_EQ(run_.header.product_name.str(), product_name);  // read again from Setup.dat
    EXPECT_EQ(listing(dest_),
              (std::vector<std::string>{"A.txt", "D\\", "D\\B.dat", "D\\E\\", "D\\E\\C.txt",
                                        "Empty\\", "F.txt", "G.wav", "H.bmp", "Uninst.dat",
                                        "Uninst.exe"}));
    const Log log = read_log(dest_ + "Uninst.dat");
    EXPECT_EQ(log.header.record_count, 9);
    ASSERT_EQ(log.records.size(), sample_items.size());
    for (std::size_t i = 0; i < sample_items.size(); ++i) {
      const Item& item = sample_items[i];
      const UninstallRecord& record = log.records[i];
      const std::string path = dest_ + item.path;
      SCOPED_TRACE(path);
      EXPECT_EQ(record.path.str(), path);
      EXPECT_EQ(record.is_folder, item.folder);
      if (item.folder) {
        EXPECT_EQ(bits(record.file_date), bits(file_date));
        continue;
      }
      EXPECT_TRUE(read_file(path) == item.contents);  // no dump of 150 KB on failure
      const auto date = read_file_date(path);
      ASSERT_TRUE(date);
      if (i < 6) {  // the file tree: given the header's date, and logged with it
        EXPECT_EQ(bits(*date), bits(file_date));
        EXPECT_EQ(bits(record.file_date), bits(file_date));
      } else {  // the companions: logged with the date their copy has
        EXPECT_EQ(bits(record.file_date), bits(*date));
      }
    }
    EXPECT_TRUE(read_file(dest_ + "Uninst.exe") == read_file(running_program()));
    EXPECT_EQ(read_raw(HKEY_CURRENT_USER, std::string(settings_key) + "\\Directories",
                       "OpenDirectory"),
              sz(dest_));
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, uninstall_key, "DisplayName"), sz(product_name));
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, uninstall_key, "UninstallString"),
              sz(dest_ + "Uninst.exe"));
    EXPECT_TRUE(closed(run_.setup_data_path));
    EXPECT_TRUE(closed(dest_ + "Uninst.dat"));
  }

  void write_sample_source() {
    write_file(run_.setup_data_path, sample_setup_dat());
    write_file(source_ + "G.wav", "companion G");
    write_file(source_ + "H.bmp", "companion H");
  }

  const std::vector<std::string> sample_events =
      expected_events(6, {"Decompressing A.txt ...", "Decompressing B.dat ...",
                          "Decompressing C.txt ...", "Decompressing F.txt ...",
                          "Copying G.wav ...", "Copying H.bmp ..."});

  ScratchKey settings_{HKEY_CURRENT_USER, settings_key};
  ScratchKey registration_{HKEY_LOCAL_MACHINE, uninstall_key};
  std::string base_, source_, dest_;
  InstallRun run_;
  RecordedProgress progress_;
};

}  // namespace

TEST_F(InstallationTest, InstallsTheSampleProduct) {
  write_sample_source();
  install();
  expect_sample_installed();
  EXPECT_EQ(progress_.events, sample_events);
}

TEST_F(InstallationTest, UsesExistingFoldersAndOverwritesExistingFiles) {
  write_sample_source();
  CreateDirectoryA((dest_ + "D").c_str(), nullptr);
  CreateDirectoryA((dest_ + "D\\E").c_str(), nullptr);
  for (const char* name : {"A.txt", "D\\E\\C.txt", "G.wav", "Uninst.dat", "Uninst.exe"})
    write_file(dest_ + name, std::string(100000, 'x'));  // longer than what replaces it
  install();
  expect_sample_installed();
  EXPECT_EQ(progress_.events, sample_events);
}

TEST_F(InstallationTest, CopiesOfReadOnlySourcesAreNotReadOnly) {
  // As from a CD: a read-only copy would resist the uninstaller and the next installation.
  write_sample_source();
  ASSERT_TRUE(SetFileAttributesA((source_ + "G.wav").c_str(), FILE_ATTRIBUTE_READONLY));
  install();
  SetFileAttributesA((source_ + "G.wav").c_str(), FILE_ATTRIBUTE_NORMAL);
  expect_sample_installed();
  EXPECT_FALSE(GetFileAttributesA((dest_ + "G.wav").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(InstallationTest, EmptyListsGoStraightToTheShortcuts) {
  write_file(run_.setup_data_path, setup_dat(test_header(), [](SetupDataWriter& w) {
               w.end_list();
               w.end_list();
             }));
  install();
  EXPECT_EQ(run_.total_items, 0);
  EXPECT_EQ(run_.log_record_count, 0);
  EXPECT_EQ(progress_.events, expected_events(0, {}));
  EXPECT_EQ(listing(dest_), (std::vector<std::string>{"Uninst.dat", "Uninst.exe"}));
  EXPECT_EQ(read_file(dest_ + "Uninst.dat").size(), UninstallHeader::size);
  EXPECT_EQ(read_log(dest_ + "Uninst.dat").header.record_count, 0);
}

TEST_F(InstallationTest, ShortcutRecordsFollowTheExtractedFiles) {
  write_file(run_.setup_data_path, setup_dat(test_header(), [](SetupDataWriter& w) {
               for (const char* name : {"Mo.exe", "Mo.hlp", "Readme.txt"}) w.file(name, name);
               w.end_list();
               w.end_list();
             }));
  const std::string programs = base_ + "\\programs", desktop = base_ + "\\desktop";
  CreateDirectoryA(programs.c_str(), nullptr);
  CreateDirectoryA(desktop.c_str(), nullptr);
  run_.shortcuts = {true, true};
  run_.special_folders = [&](int csidl) { return csidl == CSIDL_PROGRAMS ? programs : desktop; };
  install();
  const std::string folder = programs + "\\Marbelo Orbit";
  const std::vector<std::string> expected = {
      dest_ + "Mo.exe", dest_ + "Mo.hlp", dest_ + "Readme.txt",
      folder + "\\Marbelo Orbit 2.0.lnk", folder + "\\Marbelo Orbit Help.lnk",
      folder + "\\Read Me.lnk", folder, desktop + "\\Marbelo Orbit 2.0.lnk"};
  const Log log = read_log(dest_ + "Uninst.dat");
  EXPECT_EQ(record_paths(log), expected);
  EXPECT_EQ(log.header.record_count, 8);
  EXPECT_EQ(run_.log_record_count, 8);
  for (const std::string& path : expected)
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  EXPECT_EQ(progress_.events.back(), "pump");  // the shortcut step itself shows nothing
}

// Failures other than the fatal stops leave the run: the steps after them are not done, and
// both of its files are closed.
TEST_F(InstallationTest, FailuresLeaveTheRunWithItsFilesClosed) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    std::string failure;
    std::size_t events;  // how many progress calls came before
    std::vector<std::string> left;
  } cases[] = {
      {"no Setup.dat", [this] { DeleteFileA(run_.setup_data_path.c_str()); },
       "Cannot open file " + source_ + "Setup.dat", 0, {}},
      {"Uninst.dat is a folder",
       [this] { CreateDirectoryA((dest_ + "Uninst.dat").c_str(), nullptr); },
       "Cannot create file " + dest_ + "Uninst.dat", 4, {"Uninst.dat\\"}},
      // The window failing once both lists are done: the log stays with RecordCount 0.
      {"failure before the shortcuts", [this] { progress_.fail_at = "fill"; },
       "progress failed", sample_events.size() - 1,
       {"A.txt", "D\\", "D\\B.dat", "D\\E\\", "D\\E\\C.txt", "Empty\\", "F.txt", "G.wav", "H.bmp",
        "Uninst.dat"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    remove_tree(dest_);
    CreateDirectoryA(dest_.c_str(), nullptr);
    write_sample_source();
    progress_ = RecordedProgress();
    c.arrange();
    try {
      install();
      ADD_FAILURE() << "the run returned";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.text(), c.failure);
    }
    EXPECT_EQ(progress_.events,
              std::vector<std::string>(sample_events.begin(), sample_events.begin() + c.events));
    EXPECT_EQ(listing(dest_), c.left);
    if (c.left.size() > 1) {
      const Log log = read_log(dest_ + "Uninst.dat");
      EXPECT_EQ(log.header.record_count, 0);
      EXPECT_EQ(log.records.size(), sample_items.size());
      EXPECT_TRUE(closed(dest_ + "Uninst.dat"));
    }
    if (c.events > 0) {  // Setup.dat was there to open
      EXPECT_TRUE(closed(run_.setup_data_path));
    }
    expect_nothing_registered();
  }
}

// A FileDate without DOS form cannot be set: the files keep the time they were made, which the
// run does not notice. The log still carries the header's value.
TEST_F(InstallationTest, FileDateWithoutDosFormLeavesTheTimeOfCreation) {
  const double dates[] = {0.0, 29220 + 86398.0 / 86400, 73051.0};  // 1899, end of 1979, 2100
  // A companion from before 1980: its copy keeps that date, which has no DOS form either.
  write_file(source_ + "Old.txt", "old");
  {
    Handle old(CreateFileA((source_ + "Old.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr));
    SYSTEMTIME when{1975, 6, 0, 1, 12, 0, 0, 0};
    FILETIME local, utc;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &utc);
    ASSERT_TRUE(SetFileTime(old.get(), nullptr, nullptr, &utc));
  }
  for (const double date : dates) {
    SCOPED_TRACE(date);
    write_file(dest_ + "before", "");
    const double before = read_file_date(dest_ + "before").value();
    write_file(run_.setup_data_path, setup_dat(test_header(date), [](SetupDataWriter& w) {
                 w.file("A.txt", "alpha");
                 w.end_list();
                 w.companion("Old.txt");
                 w.end_list();
               }));
    install();
    const auto made = read_file_date(dest_ + "A.txt");
    ASSERT_TRUE(made);
    EXPECT_GE(*made, before);
    const Log log = read_log(dest_ + "Uninst.dat");
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(bits(log.records[0].file_date), bits(date));
    // The copy's date reads back as nothing, and is logged as 0.
    EXPECT_FALSE(read_file_date(dest_ + "Old.txt"));
    EXPECT_EQ(bits(log.records[1].file_date), bits(0.0));
  }
}

// The fatal stops, each in install_probe: the warning, OK, exit code 0, and on disk what was
// made until then, with an Uninst.dat that claims no records.
namespace {

// Waits for the process's dialog, returns its message text and presses its one button; empty
// when no dialog came within ten seconds (the process is then ended by the caller).
std::string answer_dialog(DWORD process) {
  HWND dialog = wait_for_dialog(process);
  if (!dialog) return "";
  std::string text;
  HWND button = nullptr;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (class_of(c) == "Button") button = c;
    else if (class_of(c) == "Static" && !text_of(c).empty()) text = text_of(c);
  }
  EXPECT_EQ(text_of(button), "OK");
  SendMessageA(button, BM_CLICK, 0, 0);
  return text;
}

// Runs install_probe (built beside this program) and returns its exit code.
DWORD run_probe(const std::string& source, const std::string& dest, std::string& message) {
  const Handle process =
      start_beside("install_probe.exe", "\"" + source.substr(0, source.size() - 1) + "\" \"" +
                                            dest.substr(0, dest.size() - 1) + "\"");
  if (!process) return 98;
  message = answer_dialog(GetProcessId(process.get()));
  return wait_for_exit(process.get());
}

std::string data_read_message() { return texts::data_read_failed; }

}  // namespace

TEST_F(InstallationTest, FatalStopsKeepWhatWasMadeAndNothingMore) {
  const auto plain_tree = [](SetupDataWriter& w) {
    w.file("A.txt", "alpha");
    w.end_list();
    w.end_list();
  };
  const struct {
    const char* name;
    std::string data;                            // Setup.dat
    std::vector<std::string> files_before;       // in DestDir, holding "in the way"
    std::string message;                         // with DestDir as "<D>", SourceDir as "<S>"
    std::vector<std::string> left;               // DestDir afterwards
    std::vector<std::string> logged;             // records of Uninst.dat, if it is there
  } cases[] = {
      // The counting pass reads everything before the log is made, so nothing is written.
      {"only the header", setup_dat(test_header(), [](SetupDataWriter&) {}), {},
       data_read_message(), {}, {}},
      {"entry cut short", setup_dat(test_header(), plain_tree).substr(0, 112 + 36 + 5 + 20), {},
       data_read_message(), {}, {}},
      {"contents cut short", setup_dat(test_header(), plain_tree).substr(0, 112 + 36 + 3), {},
       data_read_message(), {}, {}},
      {"name '..'", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.begin_folder("..");
         w.end_list();
         w.end_list();
         w.end_list();
       }), {}, data_read_message(), {}, {}},
      {"name with a backslash", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.end_list();
         w.companion("a\\b");
         w.end_list();
       }), {}, data_read_message(), {}, {}},
      {"a device's name", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.begin_folder("D");
         w.file("com1.txt", "to the serial port");
         w.end_list();
         w.end_list();
         w.end_list();
       }), {}, data_read_message(), {}, {}},
      {"size below -1", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.begin_file("B.txt", -2);
         w.end_list();
         w.end_list();
       }), {}, data_read_message(), {}, {}},
      {"nesting too deep", setup_dat(test_header(), [](SetupDataWriter& w) {
         for (int i = 0; i <= max_folder_depth; ++i) w.begin_folder("d");
         for (int i = 0; i <= max_folder_depth + 1; ++i) w.end_list();
         w.end_list();
       }), {}, data_read_message(), {}, {}},
      // A folder whose path is a file "already exists"; the first file inside it cannot be made.
      {"folder path is a file", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.begin_folder("D");
         w.file("B.txt", "bravo");
         w.end_list();
         w.end_list();
         w.end_list();
       }), {"D"}, "Could not create the file '<D>D\\B.txt'.",
       {"A.txt", "D", "Uninst.dat"}, {"A.txt"}},
      {"folder below a file", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.begin_folder("D");
         w.begin_folder("E");
         w.end_list();
         w.end_list();
         w.end_list();
         w.end_list();
       }), {"D"}, "Could not create the directory '<D>D\\E'.",
       {"A.txt", "D", "Uninst.dat"}, {"A.txt"}},
      {"missing companion", setup_dat(test_header(), [](SetupDataWriter& w) {
         w.file("A.txt", "alpha");
         w.end_list();
         w.companion("G.wav");
         w.companion("Missing.wav");
         w.end_list();
       }), {}, "Error copying the file '<S>Missing.wav' to '<D>Missing.wav'.",
       {"A.txt", "G.wav", "Uninst.dat"}, {"A.txt", "G.wav"}},
  };
  write_file(source_ + "G.wav", "companion G");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    remove_tree(dest_);
    CreateDirectoryA(dest_.c_str(), nullptr);
    for (const std::string& name : c.files_before) write_file(dest_ + name, "in the way");
    write_file(run_.setup_data_path, c.data);
    std::string expected = c.message, message;
    for (std::size_t at; (at = expected.find("<D>")) != std::string::npos;)
      expected.replace(at, 3, dest_);
    for (std::size_t at; (at = expected.find("<S>")) != std::string::npos;)
      expected.replace(at, 3, source_);

    EXPECT_EQ(run_probe(source_, dest_, message), 0u);
    EXPECT_EQ(message, expected);
    EXPECT_EQ(listing(dest_), c.left);
    if (!c.logged.empty()) {
      const Log log = read_log(dest_ + "Uninst.dat");
      EXPECT_EQ(log.header.record_count, 0);
      std::vector<std::string> logged;
      for (const std::string& name : c.logged) logged.push_back(dest_ + name);
      EXPECT_EQ(record_paths(log), logged);
      EXPECT_EQ(bits(read_file_date(dest_ + "A.txt").value_or(-1)), bits(file_date));
    }
    expect_nothing_registered();
  }
}

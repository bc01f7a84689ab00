// extract: what pack wrote comes back byte for byte, name for name and dated as the installation
// dates it, packs again into the same bytes, and every hostile file is refused before anything
// is written.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <map>
#include <random>

#include "core/bytes.h"
#include "setupdat/file_io.h"
#include "support.h"

namespace {

// Every file and folder below root by its path: a file's contents, or "/" for a folder.
std::map<std::string, std::string> tree_of(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const Bytes bytes = entry.is_directory() ? Bytes{'/'} : read_bytes(entry.path());
    tree[utf8_of(entry.path().lexically_relative(root))] = std::string(bytes.begin(), bytes.end());
  }
  return tree;
}

// The local time a file's last write shows.
std::string local_date(const fs::path& file) {
  const std::time_t time = std::chrono::system_clock::to_time_t(
      std::chrono::file_clock::to_sys(fs::last_write_time(file)));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", std::localtime(&time));
  return text;
}

}  // namespace

TEST(Extract, GivesBackWhatPackTookAndPacksAgainIntoTheSameBytes) {
  TempDir tmp;
  const fs::path src = tmp / "src";
  std::string large(5 * 1024 * 1024 + 17, '\0');
  std::mt19937 random(7);
  for (char& c : large) c = static_cast<char>(random());
  write_file(src / "Data" / "large.bin", large);
  write_file(src / u8("Ünïcode") / u8("Café €.txt"), "café");
  write_file(src / "empty.txt", "");
  fs::create_directories(src / "Empty" / "Deeper");
  write_file(tmp / "Mo.exe", "program");
  // A summer date: the installation dates files by the rules of their own season.
  PackOptions options = standard_options(src, tmp / "out");
  options.date = "2024-07-15 10:30:00";
  options.companions = {tmp / "Mo.exe"};
  pack(options);
  const fs::path setup_dat = tmp / "out" / "Setup.dat";

  const ToolRun run = run_tool({"extract", utf8_of(setup_dat), "-o", utf8_of(tmp / "x")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "extracted 3 files, 4 folders into " + utf8_of(tmp / "x") + "\n");
  EXPECT_EQ(tree_of(tmp / "x"), tree_of(src));
  EXPECT_EQ(local_date(tmp / "x" / "Data" / "large.bin"), "2024-07-15 10:30:00");
  EXPECT_EQ(local_date(tmp / "x" / "empty.txt"), "2024-07-15 10:30:00");

  // Packed again from nothing but the file's own report.
  const Json r = parse_json(run_tool({"list", "--json", utf8_of(setup_dat)}).out);
  const auto text = [&r](const char* key) { return r.at(key).get<std::string>(); };
  ASSERT_EQ(run_tool({"pack", utf8_of(tmp / "x"), "-o", utf8_of(tmp / "again"), "--product",
                      text("product_name"), "--settings-key", text("settings_key"), "--date",
                      text("date"), "--companion", utf8_of(tmp / "out" / "Mo.exe")}).code, 0);
  EXPECT_EQ(read_bytes(tmp / "again" / "Setup.dat"), read_bytes(setup_dat));

  // Into an empty folder, with the companions beside Setup.dat copied as they are, date too.
  fs::create_directories(tmp / "with");
  const ToolRun with = run_tool({"extract", utf8_of(setup_dat), "-o", utf8_of(tmp / "with"),
                                 "--companions"});
  ASSERT_EQ(with.code, 0) << with.err;
  EXPECT_NE(with.out.find("and 1 companion into"), std::string::npos) << with.out;
  EXPECT_EQ(read_bytes(tmp / "with" / "Mo.exe"), read_bytes(tmp / "Mo.exe"));
  EXPECT_EQ(fs::last_write_time(tmp / "with" / "Mo.exe"),
            fs::last_write_time(tmp / "out" / "Mo.exe"));
}

TEST(Extract, RefusesEveryHostileFileBeforeWritingAnything) {
  const auto changed = [](std::function<void(Bytes&)> change) {
    Bytes b = image(standard_body);
    change(b);
    return b;
  };
  const auto only = [](std::string_view name) {
    return image([name](SetupDataWriter& w) {
      w.file("first.txt", "1");
      w.file(name, "2");
      w.end_list();
      w.end_list();
    });
  };
  Bytes deep = image([](SetupDataWriter& w) {
    for (int i = 0; i < 129; ++i) w.begin_folder("d");
    for (int i = 0; i <= 129; ++i) w.end_list();
    w.end_list();
  });
  const struct {
    const char* what;
    Bytes bytes;
    std::string expected;
  } cases[] = {
      {"a name that leaves its folder", only(".."),
       "entry at offset 149 ('..'): the name could leave its folder"},
      {"a device name", only("nul.txt"), "entry at offset 149 ('nul.txt'): the name is a device's"},
      {"a size below -1", changed([](Bytes& b) { le::put_i32(&b[189 + 32], -2); }),
       "entry at offset 189 ('a.bin'): size -2 is below -1"},
      {"nesting too deep", deep, "is nested deeper than 128 levels"},
      {"contents cut short", changed([](Bytes& b) { b.resize(226); }),
       "entry at offset 189 ('Data\\a.bin'): its 3 content bytes run past the end of the file "
       "(1 left)"},
      {"an entry cut short", changed([](Bytes& b) { b.resize(200); }),
       "the file ends inside the entry the pass reads at offset 189"},
      {"a header cut short", changed([](Bytes& b) { b.resize(50); }),
       "the file ends inside the header: 50 of 112 bytes"},
      {"a NUL in a name", only(std::string_view("a\0b", 3)),
       "('a\\x00b'): the name holds the control character 0x00"},
      {"a byte with no character", only("a\x81"), "('a\xEF\xBF\xBD'): the name holds a byte that "
                                                  "stands for no character in Windows-1252"},
      {"a short name Windows could give another name of the folder",
       image([](SetupDataWriter& w) {
         w.file("first file.txt", "1");
         w.file("FIRSTF~1.TXT", "2");
         w.end_list();
         w.end_list();
       }),
       "entry at offset 149 ('FIRSTF~1.TXT'): Windows can take the name for the 8.3 short name "
       "of 'first file.txt'"},
      {"names one folder takes for one", only("FIRST.txt"),
       "('FIRST.txt'): the same name as 'first.txt' in the same folder, ignoring case"},
      {"names Windows takes for one beyond ASCII",  // a folder Étude, a file étude
       image([](SetupDataWriter& w) {
         w.begin_folder("\xC9tude");
         w.end_list();
         w.file("\xE9tude", "1");
         w.end_list();
         w.end_list();
       }),
       "entry at offset 184 ('étude'): the same name as 'Étude' in the same folder, ignoring "
       "case"},
  };
  TempDir tmp;
  fs::create_directories(tmp / "empty");
  const auto extract_into = [&](const char* dir, const char* option = nullptr) {
    std::vector<std::string> args = {"extract", utf8_of(tmp / "Setup.dat"), "-o",
                                     utf8_of(tmp / dir)};
    if (option) args.push_back(option);
    return run_tool(args);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write_bytes(tmp / "Setup.dat", c.bytes);
    for (const char* dir : {"absent", "empty"}) {
      const ToolRun run = extract_into(dir);
      EXPECT_EQ(run.code, 1);
      EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(tmp / "absent"));
    EXPECT_TRUE(fs::is_empty(tmp / "empty"));
  }

  // A sound file, but a folder that is not empty, or a companion that is not at hand.
  write_bytes(tmp / "Setup.dat", image(standard_body));
  write_file(tmp / "full" / "keep.txt", "mine");
  const ToolRun full = extract_into("full");
  EXPECT_EQ(full.code, 1);
  EXPECT_NE(full.err.find("is not empty"), std::string::npos) << full.err;
  EXPECT_EQ(names_in(tmp / "full"), std::vector<std::string>{"keep.txt"});
  const ToolRun missing = extract_into("absent", "--companions");
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("companion 'Mo.exe' is not in"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(tmp / "absent"));
}

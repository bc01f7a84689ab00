// pack: the exact bytes it writes, their order, determinism, every refusal, and that a failure
// never leaves a damaged Setup.dat behind.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "core/bytes.h"
#include "setupdat/file_io.h"
#include "setupdat/pack.h"
#include "setupdat/staged_folder.h"
#include "support.h"

namespace {


void expect_entry(const Bytes& b, std::size_t at, std::string_view name, std::int32_t size) {
  SCOPED_TRACE("entry at " + std::to_string(at) + " ('" + std::string(name) + "')");
  ASSERT_LE(at + 36, b.size());
  EXPECT_EQ(b[at], name.size());
  EXPECT_EQ(std::string(b.begin() + at + 1, b.begin() + at + 1 + name.size()), name);
  for (std::size_t i = 1 + name.size(); i < 32; ++i) EXPECT_EQ(b[at + i], 0) << i;
  EXPECT_EQ(le::get_i32(&b[at + 32]), size);
}

void expect_terminator(const Bytes& b, std::size_t at) {
  SCOPED_TRACE("terminator at " + std::to_string(at));
  ASSERT_LE(at + 36, b.size());
  for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(b[at + i], 0) << i;
}

std::string contents_at(const Bytes& b, std::size_t at, std::size_t size) {
  return std::string(b.begin() + at, b.begin() + at + size);
}

std::string text_of(const fs::path& file) {
  const Bytes bytes = read_bytes(file);
  return std::string(bytes.begin(), bytes.end());
}

std::string all_bytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

// Files created in the order given: readdir order follows creation on many file systems, and
// pack must not depend on it.
void make_tree(const fs::path& root, bool reverse) {
  std::vector<std::function<void()>> steps = {
      [&] { write_file(root / "readme.txt", "Hello"); },
      [&] { write_file(root / "Beta" / "b.dat", ""); },
      [&] { write_file(root / "alpha.TXT", "abc"); },
      [&] { write_file(root / "Zeta" / "Inner" / "z.bin", all_bytes()); },
      [&] { fs::create_directories(root / "Zeta" / "Empty"); },
  };
  if (reverse) std::reverse(steps.begin(), steps.end());
  for (auto& step : steps) step();
}

// Packs source into "dist" from inside a folder, as a person who typed "cd" first.
ToolRun pack_from(const fs::path& folder, const std::string& source) {
  const fs::path before = fs::current_path();
  fs::current_path(folder);
  const ToolRun run = run_tool({"pack", source, "-o", "dist", "--product", "P", "--settings-key",
                                "K", "--date", "2024-01-15 10:30:00"});
  fs::current_path(before);
  return run;
}

}  // namespace

TEST(Pack, WritesTheHeaderTreeAndCompanionsAtTheirExactOffsets) {
  TempDir tmp;
  make_tree(tmp / "src", false);
  write_file(tmp / "extras" / "Zed.exe", "zed");
  write_file(tmp / "extras" / "Mo.exe", "program");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "extras" / "Zed.exe", tmp / "extras" / "Mo.exe"};
  pack(options);

  const Bytes b = read_bytes(tmp / "out" / "Setup.dat");
  EXPECT_EQ(contents_at(b, 0, 8), "MOSETUP2");
  EXPECT_EQ(b[8], 13);
  EXPECT_EQ(contents_at(b, 9, 13), "Marbelo Orbit");
  for (std::size_t i = 22; i < 40; ++i) EXPECT_EQ(b[i], 0);
  EXPECT_EQ(b[40], 24);
  EXPECT_EQ(contents_at(b, 41, 24), "Software\\Marbelo\\Orbit 2");
  for (std::size_t i = 65; i < 104; ++i) EXPECT_EQ(b[i], 0);
  EXPECT_EQ(le::get_double(&b[104]), 45306.4375);  // 2024-01-15 is day 45306; 10:30 is 7/16

  // Each folder sorted by name with case ignored: alpha.TXT Beta readme.txt Zeta.
  expect_entry(b, 112, "alpha.TXT", 3);
  EXPECT_EQ(contents_at(b, 148, 3), "abc");
  expect_entry(b, 151, "Beta", -1);
  expect_entry(b, 187, "b.dat", 0);
  expect_terminator(b, 223);
  expect_entry(b, 259, "readme.txt", 5);
  EXPECT_EQ(contents_at(b, 295, 5), "Hello");
  expect_entry(b, 300, "Zeta", -1);
  expect_entry(b, 336, "Empty", -1);
  expect_terminator(b, 372);
  expect_entry(b, 408, "Inner", -1);
  expect_entry(b, 444, "z.bin", 256);
  EXPECT_EQ(contents_at(b, 480, 256), all_bytes());
  expect_terminator(b, 736);  // Inner
  expect_terminator(b, 772);  // Zeta
  expect_terminator(b, 808);  // the tree
  expect_entry(b, 844, "Zed.exe", 0);  // companions in the order given
  expect_entry(b, 880, "Mo.exe", 0);
  expect_terminator(b, 916);
  EXPECT_EQ(b.size(), 952u);

  EXPECT_EQ(names_in(tmp / "out"), (std::vector<std::string>{"Mo.exe", "Setup.dat", "Zed.exe"}));
  EXPECT_EQ(read_bytes(tmp / "out" / "Mo.exe"), read_bytes(tmp / "extras" / "Mo.exe"));
}

TEST(Pack, SameInputGivesTheSameBytesWhateverTheCreationOrder) {
  TempDir tmp;
  make_tree(tmp / "one", false);
  make_tree(tmp / "two", true);
  pack(standard_options(tmp / "one", tmp / "out1"));
  pack(standard_options(tmp / "two", tmp / "out2"));
  pack(standard_options(tmp / "one", tmp / "out1"));  // again, over the first result
  EXPECT_EQ(read_bytes(tmp / "out1" / "Setup.dat"), read_bytes(tmp / "out2" / "Setup.dat"));
  EXPECT_EQ(names_in(tmp / "out1"), std::vector<std::string>{"Setup.dat"});
}

TEST(Pack, ConvertsNamesToWindows1252AndSortsByTheirBytes) {
  TempDir tmp;
  write_file(tmp / "src" / u8("Ünïcode") / u8("Café.txt"), "x");
  write_file(tmp / "src" / u8("€uro.txt"), "y");
  write_file(tmp / "src" / "zz.txt", "z");
  pack(standard_options(tmp / "src", tmp / "out"));
  const Bytes b = read_bytes(tmp / "out" / "Setup.dat");
  expect_entry(b, 112, "zz.txt", 1);                 // 'z' sorts before 0x80
  expect_entry(b, 149, "\x80uro.txt", 1);            // € is 0x80
  expect_entry(b, 186, "\xDCn\xEF" "code", -1);      // Ü 0xDC, ï 0xEF
  expect_entry(b, 222, "Caf\xE9.txt", 1);
}

#ifndef _WIN32
TEST(Pack, FollowsLinksToFilesAndRefusesLinksToFoldersAndDanglingOnes) {
  TempDir tmp;
  write_file(tmp / "elsewhere" / "real.txt", "linked contents");
  write_file(tmp / "src" / "plain.txt", "p");
  fs::create_symlink(tmp / "elsewhere" / "real.txt", tmp / "src" / "link.txt");
  pack(standard_options(tmp / "src", tmp / "out"));
  const Bytes b = read_bytes(tmp / "out" / "Setup.dat");
  expect_entry(b, 112, "link.txt", 15);
  EXPECT_EQ(contents_at(b, 148, 15), "linked contents");

  fs::create_directory_symlink(tmp / "src", tmp / "src" / "loop");
  fs::create_symlink(tmp / "missing", tmp / "src" / "dangling");
  try {
    pack(standard_options(tmp / "src", tmp / "out2"));
    FAIL() << "packed a tree with a link to a folder";
  } catch (const Refused& refused) {
    ASSERT_EQ(refused.reasons().size(), 2u) << refused.text();
    EXPECT_NE(refused.text().find("loop' is a link to a folder"), std::string::npos);
    EXPECT_NE(refused.text().find("dangling' is a link that leads to no file"), std::string::npos);
  }
}
#endif

struct RefusalCase {
  const char* what;
  std::function<void(const TempDir&, PackOptions&)> change;
  std::vector<std::string> expected;  // each must be in the reasons
};

TEST(Pack, RefusesEveryNonConformingInputBeforeWritingAnything) {
  const auto file = [](const char* name) {
    return [name](const TempDir& t, PackOptions&) { write_file(t / "src" / u8(name), "x"); };
  };
  const auto date = [](const char* text) {
    return [text](const TempDir&, PackOptions& o) { o.date = text; };
  };
  const auto companion = [](const char* rel) {
    return [rel](const TempDir& t, PackOptions& o) {
      write_file(t / "side" / rel, "c");
      o.companions.push_back(t / "side" / rel);
    };
  };
  const std::string deep = [] {
    std::string p = "d";
    for (int i = 1; i <= 129; ++i) p += "/d";
    return p;
  }();
  const std::vector<RefusalCase> cases = {
      {"no Windows-1252 form", file("日本.txt"),
       {"日本.txt': the name has no Windows-1252 form"}},
      {"name over 31", file("abcdefghijklmnopqrstuvwxyz012345"), {"is 32 characters, over 31"}},
      {"path over 255 below --dest",
       [](const TempDir& t, PackOptions& o) {
         o.dest = "C:\\" + std::string(240, 'x');  // gets its backslash: 244 characters
         write_file(t / "src" / "twelve_chars", "x");
       },
       {"twelve_chars': the full path C:\\xxx", "is 256 characters, over 255"}},
      {"companion path over 255 below --dest",
       [&companion](const TempDir& t, PackOptions& o) {
         o.dest = "C:\\" + std::string(240, 'x');  // 244 characters with its backslash
         companion("twelve_chars")(t, o);
       },
       {"the companion '", "twelve_chars': the full path C:\\xxx", "is 256 characters, over 255"}},
      {"top-level file named like the uninstall log", file("uninst.DAT"),
       {"uninst.DAT': the installer creates its uninstall log Uninst.dat there and holds it open"}},
      {"top-level folder named like the uninstaller",
       [](const TempDir& t, PackOptions&) { write_file(t / "src" / "UNINST.EXE" / "a.txt", "a"); },
       {"UNINST.EXE': the installer copies itself there as Uninst.exe at the end"}},
      {"companion named like the uninstaller", companion("Uninst.exe"),
       {"the companion '", "Uninst.exe': the installer copies itself there as Uninst.exe"}},
      {"companion named like the uninstall log", companion("UnInst.Dat"),
       {"UnInst.Dat': the installer creates its uninstall log"}},
#ifndef _WIN32  // names and depths Windows itself refuses to create
      {"device name", file("aux.txt"), {"aux.txt': the name is reserved for a device"}},
      {"reserved character", file("what?.txt"), {"what?.txt': the name holds the character '?'"}},
      {"trailing dot", file("name."), {"name.': the name ends in a dot"}},
      {"trailing space", file("name "), {"ends in a space"}},
      {"control character", file("a\tb"), {"control character 0x09"}},
      {"case clash",
       [](const TempDir& t, PackOptions&) {
         write_file(t / "src" / "Sub" / "Readme.txt", "1");
         write_file(t / "src" / "Sub" / "README.TXT", "2");
       },
       {"differ only in case"}},
      {"names Windows takes for one beyond ASCII: file and file, folder and file, companion",
       [&companion](const TempDir& t, PackOptions& o) {
         for (const char* name : {"Étude.txt", "étude.txt", "Sub/Ÿ/in.txt", "Sub/ÿ", "žluté.txt"})
           write_file(t / "src" / u8(name), "x");
         companion("ŽLUTÉ.TXT")(t, o);
       },
       {"src/Étude.txt' and '", "src/étude.txt' differ only in case", "Sub/Ÿ' and '",
        "Sub/ÿ' differ", "ŽLUTÉ.TXT' has the same name as '", "žluté.txt' of the tree"}},
      {"tree deeper than 128",
       [&deep](const TempDir& t, PackOptions& o) {
         o.dest = "C:";
         fs::create_directories(t / "src" / deep);
       },
       {"a folder nested deeper than 128 levels", "over 255"}},
      {"file of 2 GiB",
       [](const TempDir& t, PackOptions&) {
         write_file(t / "src" / "big.bin", "");
         fs::resize_file(t / "src" / "big.bin", 2147483648u);  // sparse: nothing is written
       },
       {"big.bin' is 2147483648 bytes; files must stay below 2 GiB"}},
#endif
      {"odd seconds", date("2024-01-15 10:30:01"), {"'2024-01-15 10:30:01' is no DOS date-time"}},
      {"year 1979", date("1979-12-31 23:59:58"), {"is no DOS date-time"}},
      {"year 2100", date("2100-01-01 00:00:00"), {"is no DOS date-time"}},
      {"day that does not exist", date("2023-02-29 12:00:00"), {"is no DOS date-time"}},
      {"malformed date", date("2024-1-15 10:30"), {"is not of the form YYYY-MM-DD HH:MM:SS"}},
      {"product name over 31",
       [](const TempDir&, PackOptions& o) { o.product = std::string(32, 'p'); },
       {"the product name 'ppp", "is 32 characters, over 31"}},
      {"product name not convertible",
       [](const TempDir&, PackOptions& o) { o.product = "Orbit ☃"; },
       {"the product name 'Orbit ☃' has characters outside Windows-1252"}},
      {"settings key over 63",
       [](const TempDir&, PackOptions& o) { o.settings_key = std::string(64, 'k'); },
       {"the settings key 'kkk", "is 64 characters, over 63"}},
      {"settings key not convertible",
       [](const TempDir&, PackOptions& o) { o.settings_key = "Software\\日本"; },
       {"the settings key 'Software\\日本' has characters outside Windows-1252"}},
      {"relative destination", [](const TempDir&, PackOptions& o) { o.dest = "Apps\\Orbit"; },
       {"the destination 'Apps\\Orbit' is not a full path"}},
      {"destination with a character Windows forbids",
       [](const TempDir&, PackOptions& o) { o.dest = "\\\\server\\share\\A|B"; },
       {"is refused at 'A|B': the name holds the character '|'"}},
      {"settings key not a key path",
       [](const TempDir&, PackOptions& o) { o.settings_key = "Software\\\\Orbit"; },
       {"the settings key 'Software\\\\Orbit' holds two backslashes in a row"}},
      {"missing companion",
       [](const TempDir& t, PackOptions& o) { o.companions.push_back(t / "nowhere.exe"); },
       {"nowhere.exe' does not exist"}},
      {"companion that is a folder",
       [](const TempDir& t, PackOptions& o) {
         fs::create_directories(t / "side" / "Folder.exe");
         o.companions.push_back(t / "side" / "Folder.exe");
       },
       {"Folder.exe' is not a regular file"}},
      {"companion named twice",
       [&companion](const TempDir& t, PackOptions& o) {
         companion("a/Mo.exe")(t, o);
         companion("b/MO.EXE")(t, o);
       },
       {"MO.EXE' has the same name as the companion", "a/Mo.exe'"}},
      {"companion named Setup.dat", companion("setup.DAT"),
       {"setup.DAT' has the same name as Setup.dat"}},
      {"companion named like a top-level item",
       [&companion](const TempDir& t, PackOptions& o) {
         write_file(t / "src" / "Readme.txt", "r");
         companion("README.txt")(t, o);
       },
       {"README.txt' has the same name as '", "Readme.txt' of the tree"}},
      {"output inside the source",
       [](const TempDir& t, PackOptions& o) { o.out_dir = t / "src" / "sub" / ".." / "out"; },
       {"lies inside the source folder", "out' inside '"}},
      {"output is the source",
       [](const TempDir& t, PackOptions& o) { o.out_dir = t / "src" / "."; },
       {"is the source folder"}},
      {"missing source",
       [](const TempDir& t, PackOptions& o) { o.source_dir = t / "absent"; },
       {"absent' does not exist"}},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    write_file(tmp / "src" / "ok.txt", "fine");
    PackOptions options = standard_options(tmp / "src", tmp / "out");
    c.change(tmp, options);
    try {
      pack(options);
      ADD_FAILURE() << "packed";
    } catch (const Refused& refused) {
      for (const auto& text : c.expected)
        EXPECT_NE(refused.text().find(text), std::string::npos) << refused.text();
    }
    EXPECT_FALSE(fs::exists(options.out_dir / "Setup.dat"));
    EXPECT_FALSE(fs::exists(tmp / "out"));
  }
}

TEST(Pack, ChecksCompanionPathsBelowTheDestinationUpTo255Characters) {
  TempDir tmp;
  write_file(tmp / "src" / "a", "a");
  write_file(tmp / "side" / "Mo.exe", "m");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "side" / "Mo.exe"};
  options.dest = "C:\\" + std::string(245, 'd');  // 249 with its backslash, + "Mo.exe" = 255
  EXPECT_NO_THROW(plan_pack(options));
  options.dest += 'd';
  try {
    plan_pack(options);
    ADD_FAILURE() << "planned a companion path of 256 characters";
  } catch (const Refused& refused) {
    ASSERT_EQ(refused.reasons().size(), 1u) << refused.text();  // the tree's "a" still fits
    EXPECT_EQ(refused.reasons()[0], "the companion '" + utf8_of(tmp / "side" / "Mo.exe") +
                                        "': the full path C:\\" + std::string(246, 'd') +
                                        "\\Mo.exe is 256 characters, over 255");
  }
}

TEST(Pack, OnlyItemsDirectlyInTheDestinationMayNotTakeTheInstallersNames) {
  // Below the top level the installer keeps nothing of its own, and near names are fine.
  TempDir tmp;
  write_file(tmp / "src" / "Sub" / "Uninst.dat", "log-like data");
  write_file(tmp / "src" / "Sub" / "Uninst.exe", "program");
  write_file(tmp / "src" / "Uninst.txt", "notes");
  write_file(tmp / "src" / "Uninst.exe.bak", "old");
  write_file(tmp / "side" / "Uninst.hlp", "help");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "side" / "Uninst.hlp"};
  EXPECT_NO_THROW(pack(options));
  EXPECT_TRUE(fs::exists(tmp / "out" / "Setup.dat"));
}

#ifndef _WIN32  // Windows cannot hold two names that differ only in case
TEST(Pack, KeepsNamesWindowsTellsApart) {
  // ß has no one-letter upper case; × and ÷ lie 0x20 apart like a letter pair but are signs.
  TempDir tmp;
  for (const char* name : {"ß.txt", "SS.txt", "a×b", "a÷b"}) write_file(tmp / "src" / u8(name), "");
  EXPECT_NO_THROW(pack(standard_options(tmp / "src", tmp / "out")));
}
#endif

TEST(Pack, RefusesAnOutputFolderInsideTheSourceHoweverItIsWritten) {
  TempDir tmp;
  const fs::path product = tmp / "product", real = fs::canonical(tmp.path()) / "product";
  fs::create_directories(product / "Sub");
  const std::pair<fs::path, std::string> cases[] = {
      {product, "."}, {product, "./"}, {product, utf8_of(real)}, {product / "Sub", ".."}};
  for (const auto& [cwd, source] : cases) {
    SCOPED_TRACE(source);
    const ToolRun run = pack_from(cwd, source);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("the output folder 'dist' lies inside the source folder '" + source +
                           "' ('" + utf8_of(fs::canonical(cwd) / "dist") + "' inside '" +
                           utf8_of(real) + "')"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(cwd / "dist"));
  }
  EXPECT_EQ(pack_from(tmp.path(), "product").code, 0);  // beside it is fine
}

#ifndef _WIN32  // links need privileges there
TEST(Pack, WritesIntoTheVeryFolderItCheckedAsTheSystemResolvesIt) {
  // "lnk/.." is the folder above where lnk leads, not the folder lnk lies in.
  TempDir tmp;
  fs::create_directories(tmp / "elsewhere" / "a");
  fs::create_directories(tmp / "product" / "Sub");
  fs::create_directory_symlink(tmp / "elsewhere" / "a", tmp / "lnk");
  fs::create_directory_symlink(tmp / "product" / "Sub", tmp / "into");
  write_file(tmp / "product" / "a.txt", "a");
  const auto pack_to = [&](const std::string& out) {
    const fs::path before = fs::current_path();
    fs::current_path(tmp.path());
    const ToolRun run = run_tool({"pack", "product", "-o", out, "--product", "P",
                                  "--settings-key", "K", "--date", "2024-01-15 10:30:00"});
    fs::current_path(before);
    return run;
  };
  const ToolRun outside = pack_to("lnk/../product/dist");
  EXPECT_EQ(outside.code, 0) << outside.err;
  EXPECT_TRUE(fs::is_regular_file(tmp / "elsewhere" / "product" / "dist" / "Setup.dat"));
  EXPECT_FALSE(fs::exists(tmp / "product" / "dist"));

  const fs::path real = fs::canonical(tmp.path()) / "product";
  const ToolRun inside = pack_to("into/../dist");
  EXPECT_EQ(inside.code, 1);
  EXPECT_NE(inside.err.find("the output folder 'into/../dist' lies inside the source folder "
                            "'product' ('" + utf8_of(real / "dist") + "' inside '" +
                            utf8_of(real) + "')"), std::string::npos) << inside.err;
  EXPECT_FALSE(fs::exists(tmp / "product" / "dist"));
}
#endif

TEST(Pack, RefusesANameWindowsCouldTakeForTheShortNameOfAnother) {
  TempDir tmp;
  // Each pair in one folder: the short name, then the name Windows could abbreviate to it.
  write_file(tmp / "src" / "Sub" / "LONGNA~1.TXT", "b");
  write_file(tmp / "src" / "Sub" / "longname.txt", "a");
  write_file(tmp / "src" / "Top File.bmp", "t");
  write_file(tmp / "side" / "TOPFIL~2.BMP", "c");  // a companion lands beside the top level
  // Names no sibling abbreviates to: another extension, a derivation Windows never makes.
  write_file(tmp / "src" / "Sub" / "LONGNA~1.DOC", "d");
  write_file(tmp / "src" / "Sub" / "MY_FIL~1.TXT", "e");
  write_file(tmp / "src" / "Sub" / "my file+x.txt", "f");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "side" / "TOPFIL~2.BMP"};
  const auto pair = [](const fs::path& short_name, const fs::path& other) {
    return "'" + utf8_of(short_name) + "': Windows can take the name for the 8.3 short name of '" +
           utf8_of(other) + "'; installing one would overwrite the other";
  };
  try {
    pack(options);
    ADD_FAILURE() << "packed a short name beside its long one";
  } catch (const Refused& refused) {
    EXPECT_EQ(refused.reasons(),
              (std::vector<std::string>{
                  pair(tmp / "src" / "Sub" / "LONGNA~1.TXT", tmp / "src" / "Sub" / "longname.txt"),
                  "the companion " + pair(tmp / "side" / "TOPFIL~2.BMP",
                                          tmp / "src" / "Top File.bmp")}));
  }
  // Alone, a name of that form is as good as any.
  TempDir lone;
  write_file(lone / "src" / "README~1.TXT", "r");
  write_file(lone / "src" / "Other.txt", "o");
  EXPECT_NO_THROW(pack(standard_options(lone / "src", lone / "out")));
}

TEST(Pack, TheNextPackClearsAwayTheLeftoversOfAKilledOne) {
  TempDir tmp;
  write_file(tmp / "src" / "a.txt", "a");
  write_file(tmp / "side" / "Mo.exe", "new program");
  // A pack killed while writing leaves its temporary; one killed while committing, an earlier
  // file stepped aside (Mo.exe, whose name is free again) or one already replaced (Setup.dat).
  write_file(tmp / "out" / "Setup.dat", "earlier setup");
  write_file(tmp / "out" / "Setup.dat.3141592653.tmp", "half a setup");
  write_file(tmp / "out" / "Setup.dat.27.old", "older setup");
  write_file(tmp / "out" / "Mo.exe.1618.old", "earlier program");
  write_file(tmp / "out" / "Mo.exe.1619.tmp", "half a program");
  // Not of that pattern, or of a name this pack does not write: none of them is touched.
  const std::vector<std::string> others = {"Notes.txt.5.tmp", "Setup.dat.tmp", "Setup.dat.12a.tmp",
                                           "Setup.dat.5.bak", "Setup.dat.12345678901.tmp"};
  for (const auto& name : others) write_file(tmp / "out" / name, "mine");

  const PackOptions options = [&] {
    PackOptions o = standard_options(tmp / "src", tmp / "out");
    o.companions = {tmp / "side" / "Mo.exe"};
    return o;
  }();
  const PackPlan plan = plan_pack(options);
  {
    // The earlier Mo.exe is put back before anything else happens: a pack that fails keeps it.
    StagedFolder out(plan.out_dir, plan.out_shown);
    out.stage("Mo.exe");
    EXPECT_EQ(text_of(tmp / "out" / "Mo.exe"), "earlier program");
  }
  write_pack(plan, nullptr);
  std::vector<std::string> expected = others;
  expected.insert(expected.end(), {"Mo.exe", "Setup.dat"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names_in(tmp / "out"), expected);
  EXPECT_EQ(text_of(tmp / "out" / "Mo.exe"), "new program");
  // Temporaries are created new, never over a file that is there.
  EXPECT_THROW(FileWriter(tmp / "out" / "Notes.txt.5.tmp", "shown"), Failure);
  EXPECT_EQ(text_of(tmp / "out" / "Notes.txt.5.tmp"), "mine");
}

TEST(StagedFolder, AFailedCommitPutsBackWhatItPlacedAndSaysWhatItCouldNot) {
  TempDir tmp;
  const fs::path out = tmp / "out";
  // The seam: the system's rename, but the moves named fail: to NAME from a name ending so.
  std::vector<std::pair<std::string, std::string>> failing;
  const StagedFolder::Move move = [&](const fs::path& from,
                                      const fs::path& to) -> std::optional<std::string> {
    for (const auto& [name, from_end] : failing) {
      if (to.filename() == name && utf8_of(from.filename()).ends_with(from_end))
        return "refused here";
    }
    std::error_code error;
    fs::rename(from, to, error);
    return error ? std::optional<std::string>(error.message()) : std::nullopt;
  };
  const auto commit_new_files = [&] {
    StagedFolder folder(out, "dist", move);
    for (const char* name : {"a", "b", "c"}) {
      FileWriter file(folder.stage(name), name);
      file.write("new", 3);
      file.finish();
    }
    folder.commit();
  };
  write_file(out / "a", "earlier a");
  write_file(out / "b", "earlier b");

  // a and b are in place when c fails: both go back, byte for byte, and no other file stays.
  failing = {{"c", ".tmp"}};
  try {
    commit_new_files();
    ADD_FAILURE() << "committed";
  } catch (const Stopped& stopped) {
    ADD_FAILURE() << stopped.text();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.text(), "cannot create '" + utf8_of(fs::path("dist") / "c") +
                                  "': refused here");
  }
  EXPECT_EQ(names_in(out), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(text_of(out / "a"), "earlier a");
  EXPECT_EQ(text_of(out / "b"), "earlier b");

  // When the earlier b cannot come back either, the message says where it is, and nothing
  // claims the folder is as it was.
  failing = {{"c", ".tmp"}, {"b", ".old"}};
  try {
    commit_new_files();
    ADD_FAILURE() << "committed";
  } catch (const Stopped& stopped) {
    ASSERT_EQ(stopped.reasons().size(), 2u) << stopped.text();
    const std::string& aside = stopped.reasons()[1];
    const std::string said = "cannot put back the earlier '" + utf8_of(fs::path("dist") / "b") +
                             "': refused here; it is now '";
    ASSERT_EQ(aside.rfind(said, 0), 0u) << aside;
    const fs::path now = u8(aside.substr(said.size(), aside.size() - said.size() - 1));
    EXPECT_EQ(now.parent_path(), "dist");
    EXPECT_EQ(text_of(out / now.filename()), "earlier b");
    EXPECT_EQ(stopped.outcome(),
              "not everything was put back: 'dist' is not as it was (see above)");
  }
  EXPECT_EQ(text_of(out / "a"), "earlier a");
}

#ifndef _WIN32  // Windows refuses to create names holding control characters
TEST(Pack, RefusalsShowControlCharactersEscapedOneReasonALine) {
  TempDir tmp;
  write_file(tmp / "src" / "line\nbreak.txt", "x");
  write_file(tmp / "side\there" / "Uninst.exe", "u");
  const ToolRun run = run_tool({"pack", utf8_of(tmp / "src"), "-o", utf8_of(tmp / "out"),
                                "--product", "P", "--settings-key", "K", "--date",
                                "2024-01-15 10:30:00",
                                "--dest", "C:\\\x7f" + std::string(240, 'x'),
                                "--companion", utf8_of(tmp / "side\there" / "Uninst.exe")});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("line\\x0abreak.txt': the name holds the control character 0x0a"),
            std::string::npos) << run.err;
  EXPECT_NE(run.err.find("side\\x09here/Uninst.exe': the installer copies itself"),
            std::string::npos) << run.err;
  EXPECT_NE(run.err.find("': the full path C:\\\\x7fxxx"), std::string::npos) << run.err;
  // The name, its path of 259 characters (the companion's is 255) and the companion's name, then
  // the closing line: each a line of its own.
  std::istringstream err(run.err);
  std::size_t lines = 0;
  for (std::string line; std::getline(err, line); ++lines)
    EXPECT_EQ(line.rfind("setupdat: ", 0), 0u) << line;
  EXPECT_EQ(lines, 4u) << run.err;
  EXPECT_EQ(run.err.find_first_of("\t\x7f"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(tmp / "out"));
}
#endif

TEST(Pack, RefusesMoreThan65535ProgressItems) {
#ifdef _WIN32
  GTEST_SKIP() << "65,535 files take minutes under Wine";
#else
  TempDir tmp;
  for (int i = 0; i < 65535; ++i) write_file(tmp / "src" / ("f" + std::to_string(i)), "");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  EXPECT_NO_THROW(plan_pack(options));
  write_file(tmp / "Mo.exe", "m");
  options.companions = {tmp / "Mo.exe"};
  try {
    plan_pack(options);
    ADD_FAILURE() << "planned 65,536 items";
  } catch (const Refused& refused) {
    EXPECT_EQ(refused.text(), "65536 progress items (files and companions), over 65535");
  }
#endif
}

TEST(Pack, AFileChangedAfterTheScanFailsAndLeavesTheEarlierSetupDatAlone) {
  TempDir tmp;
  write_file(tmp / "src" / "a.txt", "first");
  pack(standard_options(tmp / "src", tmp / "out"));
  const Bytes earlier = read_bytes(tmp / "out" / "Setup.dat");

  for (const char* change : {"grown", "shrunk", "removed"}) {
    SCOPED_TRACE(change);
    write_file(tmp / "src" / "a.txt", "second");
    const PackPlan plan = plan_pack(standard_options(tmp / "src", tmp / "out"));
    if (std::string(change) == "grown") write_file(tmp / "src" / "a.txt", "second, longer");
    if (std::string(change) == "shrunk") write_file(tmp / "src" / "a.txt", "2nd");
    if (std::string(change) == "removed") fs::remove(tmp / "src" / "a.txt");
    EXPECT_THROW(write_pack(plan, nullptr), Failure);
    EXPECT_EQ(read_bytes(tmp / "out" / "Setup.dat"), earlier);
    EXPECT_EQ(names_in(tmp / "out"), std::vector<std::string>{"Setup.dat"});  // no temporary
  }
}

TEST(Pack, AFailureAtTheLastCompanionLeavesTheOutputFolderAsItWas) {
  TempDir tmp;
  write_file(tmp / "src" / "a.txt", "first");
  write_file(tmp / "side" / "Mo.exe", "program 1");
  write_file(tmp / "side" / "Tile.bmp", "tile 1");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "side" / "Mo.exe", tmp / "side" / "Tile.bmp"};
  pack(options);
  const auto out_files = [&] {
    std::map<std::string, Bytes> files;
    for (const auto& name : names_in(tmp / "out")) files[name] = read_bytes(tmp / "out" / name);
    return files;
  };
  const auto earlier = out_files();

  write_file(tmp / "src" / "a.txt", "second");
  write_file(tmp / "side" / "Mo.exe", "program 2");
  const PackPlan plan = plan_pack(options);
  options.out_dir = tmp / "new" / "out";
  const PackPlan plan_new = plan_pack(options);
  fs::remove(tmp / "side" / "Tile.bmp");  // gone between the check and the copy
  try {
    write_pack(plan, nullptr);
    ADD_FAILURE() << "packed without its last companion";
  } catch (const Stopped& stopped) {
    EXPECT_EQ(stopped.text().rfind("cannot read '" + utf8_of(tmp / "side" / "Tile.bmp"), 0), 0u);
    EXPECT_EQ(stopped.outcome(),
              "nothing was changed: '" + utf8_of(tmp / "out") + "' is as it was");
  }
  EXPECT_EQ(out_files(), earlier);  // the same names, byte for byte: no temporary left

  // Into a folder of its own making, the failure takes the folder away again.
  EXPECT_THROW(write_pack(plan_new, nullptr), Stopped);
  EXPECT_FALSE(fs::exists(tmp / "new"));
}

#ifdef _WIN32
// Last of all: <windows.h> declares a function named like the tool's OpenFile.
#include <windows.h>

#include <iostream>

namespace {

// A file held open by another program that shares it with nobody, as an editor or a virus
// scanner may.
class HeldOpen {
 public:
  explicit HeldOpen(const fs::path& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

}  // namespace

TEST(Pack, NamesAFileOpenInAnotherProgramForWhatItIs) {
  TempDir tmp;
  write_file(tmp / "src" / "a.txt", "a");
  write_file(tmp / "side" / "Mo.exe", "program 1");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "side" / "Mo.exe"};
  pack(options);
  const std::string open_elsewhere = "': the file is open in another program";
  {
    const HeldOpen source(tmp / "src" / "a.txt");
    ASSERT_TRUE(source.held());
    try {
      plan_pack(options);
      ADD_FAILURE() << "planned to read a file open in another program";
    } catch (const Refused& refused) {
      EXPECT_EQ(refused.text(), "cannot read '" + utf8_of(tmp / "src" / "a.txt") + open_elsewhere);
    }
  }
  write_file(tmp / "side" / "Mo.exe", "program 2");
  const PackPlan plan = plan_pack(options);
  const HeldOpen installed(tmp / "out" / "Mo.exe");
  ASSERT_TRUE(installed.held());
  try {
    write_pack(plan, nullptr);
    ADD_FAILURE() << "replaced a file open in another program";
  } catch (const Stopped& stopped) {
    EXPECT_EQ(stopped.reasons(), std::vector<std::string>{"cannot replace '" +
                                                          utf8_of(tmp / "out" / "Mo.exe") +
                                                          open_elsewhere});
    EXPECT_EQ(stopped.outcome(),
              "nothing was changed: '" + utf8_of(tmp / "out") + "' is as it was");
  }
  EXPECT_EQ(names_in(tmp / "out"), (std::vector<std::string>{"Mo.exe", "Setup.dat"}));
}

TEST(Pack, KnowsTheSourceFolderByItsShortNameAndInAnyCase) {
  TempDir tmp;
  const fs::path product = tmp / "Product Files";
  write_file(product / "a.txt", "a");
  std::vector<fs::path> spellings = {tmp / "PRODUCT FILES"};
  wchar_t short_name[MAX_PATH];
  const DWORD length = GetShortPathNameW(product.c_str(), short_name, MAX_PATH);
  if (length > 0 && length < MAX_PATH && fs::path(short_name).filename() != product.filename())
    spellings.push_back(short_name);
  else
    std::cout << "the file system makes no short names: that spelling is not tried\n";
  for (const fs::path& spelling : spellings) {
    SCOPED_TRACE(utf8_of(spelling));
    try {
      plan_pack(standard_options(product, spelling / "dist"));
      ADD_FAILURE() << "planned to write inside the product";
    } catch (const Refused& refused) {
      EXPECT_NE(refused.text().find("lies inside the source folder"), std::string::npos)
          << refused.text();
    }
  }
  EXPECT_FALSE(fs::exists(product / "dist"));
}
#endif

// list and verify: a packed tree reads back as it was; damaged or non-conforming files are
// reported item by item with valid JSON, and never stop the reader before it must stop.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/bytes.h"
#include "core/setup_data_writer.h"
#include "core/stdio_streams.h"
#include "core/uninstall_log.h"
#include "setupdat/file_io.h"
#include "setupdat/setup_check.h"
#include "support.h"

namespace {

struct Listing {
  int code;
  Json json;
  std::vector<std::string> problems;
};

Listing list_json(const TempDir& tmp, const Bytes& bytes) {
  write_bytes(tmp / "Setup.dat", bytes);
  const ToolRun run = run_tool({"list", "--json", utf8_of(tmp / "Setup.dat")});
  Listing listing{run.code, parse_json(run.out), {}};
  listing.problems = listing.json.at("problems").get<std::vector<std::string>>();
  return listing;
}

bool mentions(const std::vector<std::string>& problems, const std::string& text) {
  for (const auto& p : problems) {
    if (p.find(text) != std::string::npos) return true;
  }
  return false;
}

std::string joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const auto& t : texts) all += t + "\n";
  return all;
}

// Each JSON item names a file system entry of the same kind and size, and nothing is left out.
void expect_same_tree(const Json& items, const fs::path& folder) {
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(items.size(), entries) << utf8_of(folder);
  for (const Json& item : items) {
    const fs::path path = folder / u8(item.at("name").get<std::string>());
    SCOPED_TRACE(utf8_of(path));
    if (item.contains("folder")) {
      ASSERT_TRUE(fs::is_directory(path));
      expect_same_tree(item.at("folder"), path);
    } else {
      ASSERT_TRUE(fs::is_regular_file(path));
      EXPECT_EQ(item.at("size").get<double>(), static_cast<double>(fs::file_size(path)));
    }
  }
}

}  // namespace

TEST(List, JsonOfAPackedTreeMatchesTheTreeAndTheHeader) {
  TempDir tmp;
  write_file(tmp / "src" / "Readme.txt", "read me");
  write_file(tmp / "src" / u8("Ünïcode") / u8("Café €.txt"), "x");
  write_file(tmp / "src" / "Formula" / "Extra" / "Lambda.mfm", std::string(70000, 'L'));
  write_file(tmp / "src" / "Formula" / "empty.mfm", "");
  fs::create_directories(tmp / "src" / "Empty");
  write_file(tmp / "Mo.exe", "m");
  PackOptions options = standard_options(tmp / "src", tmp / "out");
  options.companions = {tmp / "Mo.exe"};
  pack(options);

  const ToolRun run = run_tool({"list", "--json", utf8_of(tmp / "out" / "Setup.dat")});
  ASSERT_EQ(run.code, 0) << run.err;
  const Json doc = parse_json(run.out);
  EXPECT_EQ(doc.at("signature_hex").get<std::string>(), "4d4f534554555032");
  EXPECT_EQ(doc.at("product_name").get<std::string>(), "Marbelo Orbit");
  EXPECT_EQ(doc.at("settings_key").get<std::string>(), "Software\\Marbelo\\Orbit 2");
  EXPECT_EQ(doc.at("file_date").get<double>(), 45306.4375);
  EXPECT_EQ(doc.at("file_date_hex").get<std::string>(), "000000004e1fe640");
  EXPECT_EQ(doc.at("date").get<std::string>(), "2024-01-15 10:30:00");  // as --date takes it
  EXPECT_EQ(doc.at("total_items").dump(), "5");
  expect_same_tree(doc.at("tree"), tmp / "src");
  ASSERT_EQ(doc.at("companions").size(), 1u);
  EXPECT_EQ(doc.at("companions").at(0).get<std::string>(), "Mo.exe");
  EXPECT_EQ(doc.at("trailing_bytes").dump(), "0");
  EXPECT_TRUE(doc.at("problems").empty());

  // The installer's own counting pass agrees.
  OpenFile file = open_for_reading(tmp / "out" / "Setup.dat");
  StdioInputStream in(file.get());
  SetupHeader header;
  EXPECT_EQ(count_items(in, header), 5);

  const ToolRun text = run_tool({"list", utf8_of(tmp / "out" / "Setup.dat")});
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("      Lambda.mfm  70000 bytes\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  Ünïcode\\\n    Café €.txt  1 byte\n"), std::string::npos);
  const ToolRun verify = run_tool({"verify", utf8_of(tmp / "out" / "Setup.dat"), "--source-dir",
                                   utf8_of(tmp / "out")});
  EXPECT_EQ(verify.code, 0) << verify.err;
  EXPECT_NE(verify.out.find("conforms: 5 progress items"), std::string::npos);
  const ToolRun verify_json = run_tool({"verify", "--json", utf8_of(tmp / "out" / "Setup.dat")});
  EXPECT_EQ(verify_json.code, 0);
  EXPECT_EQ(parse_json(verify_json.out),
            parse_json(R"({"conforms": true, "total_items": 5, "problems": []})"));
}

struct Damage {
  const char* what;
  std::function<Bytes()> make;
  std::string expected;
};

TEST(List, ReportsEveryKindOfDamageWithValidJsonAndVerifyRefusesIt) {
  const auto changed = [](std::function<void(Bytes&)> change) {
    return [change] {
      Bytes b = image(standard_body);
      change(b);
      return b;
    };
  };
  const auto nested = [](int levels, const std::string& name) {
    return [levels, name] {
      return image([&](SetupDataWriter& w) {
        for (int i = 0; i < levels; ++i) w.begin_folder(name);
        for (int i = 0; i <= levels; ++i) w.end_list();
        w.end_list();
      });
    };
  };
  const std::vector<Damage> cases = {
      {"header cut", changed([](Bytes& b) { b.resize(50); }),
       "the file ends inside the header: 50 of 112 bytes"},
      {"entry cut", changed([](Bytes& b) { b.resize(200); }),
       "the file ends inside the entry at offset 189 (11 of 36 bytes)"},
      {"contents cut", changed([](Bytes& b) { b.resize(226); }),
       "entry at offset 189 ('Data\\a.bin'): its 3 content bytes run past the end of the file "
       "(1 left)"},
      {"terminator missing", changed([](Bytes& b) { b.resize(264); }),
       "the file ends at offset 264, where the next entry of the file tree should be"},
      {"size below -1", changed([](Bytes& b) { le::put_i32(&b[189 + 32], -2); }),
       "entry at offset 189 ('Data\\a.bin'): size -2 is below -1"},
      {"trailing bytes", changed([](Bytes& b) { b.insert(b.end(), 5, 0); }),
       "5 bytes follow the companion list at offset 372"},
      {"date off the DOS grid", [] { return image(standard_body, 45306.4375 + 1.0 / 86400); },
       "is not a DOS date-time value"},
      {"nonzero terminator", changed([](Bytes& b) { b[228 + 33] = 7; }),
       "the terminator at offset 228 ending folder 'Data' has nonzero bytes"},
      {"name length over 31", changed([](Bytes& b) { b[112] = 40; }),
       "the name's length byte 40 is above 31"},
      {"product length over 31", changed([](Bytes& b) { b[8] = 40; }),
       "the product name's length byte 40 is above 31"},
      {"settings key length over 63", changed([](Bytes& b) { b[40] = 64; }),
       "the settings key's length byte 64 is above 63"},
      {"companion with contents", changed([](Bytes& b) { le::put_i32(&b[300 + 32], 5); }),
       "companion entry at offset 300 ('Mo.exe'): size 5 instead of 0"},
      {"case clash",
       [] {
         return image([](SetupDataWriter& w) {
           w.file("A.txt", "1");
           w.file("a.TXT", "2");
           w.end_list();
           w.end_list();
         });
       },
       "('a.TXT'): the same name as 'A.txt' in the same folder, ignoring case"},
      {"case clash beyond ASCII", [] { return image([](SetupDataWriter& w) {
         w.file("\x8Auvre", "1");  // Šuvre
         w.file("\x9Auvre", "2");  // šuvre
         w.end_list();
         w.end_list();
       }); },
       "('šuvre'): the same name as 'Šuvre' in the same folder, ignoring case"},
      {"companion beside a top-level name", [] { return image([](SetupDataWriter& w) {
         w.file("\xDC" "ber.txt", "1");  // Über.txt
         w.end_list();
         w.companion("\xFC" "BER.TXT");
         w.end_list();
       }); }, "('üBER.TXT'): the same name as 'Über.txt' at the top of the file tree"},
      {"device name",
       [] {
         return image([](SetupDataWriter& w) {
           w.file("Com3.log", "1");
           w.end_list();
           w.end_list();
         });
       },
       "('Com3.log'): the name is reserved for a device"},
      {"nested deeper than 128", nested(129, "d"), "\\d'): folder nested deeper than 128 levels"},
      {"path over 255", nested(8, std::string(31, 'p')), "characters, over 255"},
      {"over 65535 items",
       [] {
         return image([](SetupDataWriter& w) {
           w.end_list();
           for (int i = 0; i < 65536; ++i) w.companion("c" + std::to_string(i));
           w.end_list();
         });
       },
       "65536 progress items (files and companions), over 65535"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    const Listing listing = list_json(tmp, c.make());
    EXPECT_EQ(listing.code, 1);
    EXPECT_TRUE(mentions(listing.problems, c.expected)) << joined(listing.problems);
    const ToolRun text = run_tool({"list", utf8_of(tmp / "Setup.dat")});
    EXPECT_EQ(text.code, 1);
    EXPECT_NE(text.out.find(c.expected), std::string::npos) << text.out;
    const ToolRun verify = run_tool({"verify", utf8_of(tmp / "Setup.dat")});
    EXPECT_EQ(verify.code, 1);
    EXPECT_NE(verify.err.find(c.expected), std::string::npos) << verify.err;
    const ToolRun verify_json = run_tool({"verify", "--json", utf8_of(tmp / "Setup.dat")});
    EXPECT_EQ(verify_json.code, 1);
    EXPECT_EQ(parse_json(verify_json.out), Json({{"conforms", false},
                                                 {"total_items", listing.json["total_items"]},
                                                 {"problems", listing.json["problems"]}}));
  }
}

TEST(List, ReportsUnsafeNamesAndReadsOn) {
  TempDir tmp;
  const Listing listing = list_json(tmp, image([](SetupDataWriter& w) {
    w.file("a\x01" "b", "1");
    w.file("..", "2");
    w.file("x\\y", "3");
    w.file("good.txt", "4");
    w.begin_folder("Data");
    w.file("a.bin", "5");
    w.end_list();
    w.end_list();
    w.companion("Mo.exe");
    w.end_list();
  }));
  EXPECT_EQ(listing.code, 1);
  const Json& tree = listing.json.at("tree");
  ASSERT_EQ(tree.size(), 5u);
  EXPECT_EQ(tree.at(0).at("name").get<std::string>(), "a\x01" "b");
  EXPECT_EQ(tree.at(3).at("name").get<std::string>(), "good.txt");
  EXPECT_EQ(tree.at(4).at("folder").at(0).at("name").get<std::string>(), "a.bin");
  EXPECT_EQ(listing.json.at("companions").at(0).get<std::string>(), "Mo.exe");
  EXPECT_EQ(listing.json.at("trailing_bytes").dump(), "0");
  const auto& p = listing.problems;
  EXPECT_TRUE(mentions(p, "('a\\x01b'): the name holds the control character 0x01")) << joined(p);
  EXPECT_TRUE(mentions(p, "('..'): the name is '..'"));
  EXPECT_TRUE(mentions(p, "('x\\y'): the name holds the character '\\'"));
  // The installer itself stops at "..": it had counted one file by then.
  EXPECT_TRUE(mentions(p, "the installer's counting pass fails: entry at offset 149 ('..')"));
  EXPECT_EQ(listing.json.at("total_items").dump(), "1");
}

TEST(List, ReportsANameWindowsCouldTakeForTheShortNameOfAnother) {
  // Offsets: longname.txt 112, Data 149, MYFILE~1.DOC 185, My File.doc 222, Data's terminator
  // 259, LONGNA~1.TXT 295, Click Sound.wav 332, the tree's terminator 369, CLICKS~1.WAV 405.
  TempDir tmp;
  write_bytes(tmp / "Setup.dat", image([](SetupDataWriter& w) {
    w.file("longname.txt", "1");
    w.begin_folder("Data");
    w.file("MYFILE~1.DOC", "2");  // before the name it stands for: found all the same
    w.file("My File.doc", "3");
    w.end_list();
    w.file("LONGNA~1.TXT", "4");
    w.file("Click Sound.wav", "5");
    w.end_list();
    w.companion("CLICKS~1.WAV");  // lands beside the top level
    w.end_list();
  }));
  const auto of = [](const std::string& other) {
    return ": Windows can take the name for the 8.3 short name of '" + other +
           "'; installing one would overwrite the other";
  };
  const std::vector<std::string> expected = {
      "entry at offset 185 ('Data\\MYFILE~1.DOC')" + of("My File.doc"),
      "entry at offset 295 ('LONGNA~1.TXT')" + of("longname.txt"),
      "companion entry at offset 405 ('CLICKS~1.WAV')" + of("Click Sound.wav")};
  for (const char* command : {"list", "verify"}) {
    const ToolRun run = run_tool({command, "--json", utf8_of(tmp / "Setup.dat")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(parse_json(run.out).at("problems").get<std::vector<std::string>>(), expected);
  }
}

TEST(List, ChecksCompanionPathsBelowTheDestinationLikeTreePaths) {
  // Offsets: t 112, the tree's terminator 149, the companions 185 and 221.
  const std::string fits(30, 'a'), over(31, 'b');
  const Bytes bytes = image([&](SetupDataWriter& w) {
    w.file("t", "x");
    w.end_list();
    w.companion(fits);
    w.companion(over);
    w.end_list();
  });
  const auto problems_below = [&](const std::string& dest) {
    MemoryInputStream in(bytes);
    SetupSink sink;
    Problems problems;
    check_setup(in, bytes.size(), sink, problems, dest);
    return problems.shown();
  };
  EXPECT_TRUE(problems_below(rules::default_dest).empty());
  // 225 characters: + 30 is 255 and fits, + 31 is 256. The tree's "t" fits at 226.
  const std::string dest = "C:\\" + std::string(221, 'd') + "\\";
  EXPECT_EQ(problems_below(dest),
            std::vector<std::string>{"companion entry at offset 221 ('" + over +
                                     "'): the full path below " + dest +
                                     " is 256 characters, over 255"});
  // Tree paths go by the same destination.
  EXPECT_EQ(problems_below("C:\\" + std::string(251, 'd') + "\\").front(),
            "entry at offset 112 ('t'): the full path below C:\\" + std::string(251, 'd') +
                "\\ is 256 characters, over 255");
}

TEST(List, ItemCountIsWhatTheInstallersCountingPassGives) {
  // A companion of size -1 is a folder to the counting pass, which then counts the next
  // companion inside it; the copying pass reads on entry by entry and finds a spare terminator.
  TempDir tmp;
  const Bytes bytes = image([](SetupDataWriter& w) {
    w.file("a.txt", "a");
    w.end_list();
    w.begin_folder("Odd");
    w.companion("Mo.exe");
    w.end_list();
    w.end_list();
  });
  MemoryInputStream in(bytes);
  SetupHeader header;
  const std::int64_t installer = count_items(in, header);
  const Listing listing = list_json(tmp, bytes);
  EXPECT_EQ(listing.json.at("total_items").get<double>(), static_cast<double>(installer));
  EXPECT_EQ(installer, 2);
  EXPECT_EQ(listing.json.at("companions").size(), 2u);
  EXPECT_EQ(listing.json.at("trailing_bytes").dump(), "36");
  EXPECT_TRUE(mentions(listing.problems, "('Odd'): size -1 instead of 0"));
}

TEST(List, KeepsTheFirstThousandProblemsAndCountsTheRest) {
  TempDir tmp;
  const Listing listing = list_json(tmp, image([](SetupDataWriter& w) {
    // A device name each time, clashes from the second on, and the installer's refusal.
    for (int i = 0; i < 1500; ++i) w.file("con", "");
    w.end_list();
    w.end_list();
  }));
  ASSERT_EQ(listing.problems.size(), 1001u);
  EXPECT_EQ(listing.problems.back(), "... and 2000 more");
  EXPECT_EQ(listing.json.at("tree").size(), 1500u);
}

TEST(Verify, ChecksCompanionsInTheSourceFolderIgnoringCase) {
  TempDir tmp;
  write_bytes(tmp / "Setup.dat", image(standard_body));
  fs::create_directories(tmp / "dir");
  const std::vector<std::string> args = {"verify", utf8_of(tmp / "Setup.dat"), "--source-dir",
                                         utf8_of(tmp / "dir")};
  const ToolRun missing = run_tool(args);
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("companion 'Mo.exe' is not in"), std::string::npos) << missing.err;

  fs::create_directories(tmp / "dir" / "MO.EXE");
  const ToolRun folder = run_tool(args);
  EXPECT_NE(folder.err.find("is not a regular file"), std::string::npos) << folder.err;

  fs::remove(tmp / "dir" / "MO.EXE");
  write_file(tmp / "dir" / "mo.EXE", "m");
  const ToolRun found = run_tool(args);
  EXPECT_EQ(found.code, 0) << found.err;
  EXPECT_EQ(run_tool({"verify", utf8_of(tmp / "Setup.dat")}).code, 0);
}

TEST(List, NoDamageCrashesOrHangsTheReaders) {
  // Random bytes changed, cut off or added in a valid Setup.dat and a valid Uninst.dat: every
  // run ends with valid JSON and an exit code, whatever the reader meets.
  TempDir tmp;
  const Bytes setup = image(standard_body);
  SetupHeader header;
  MemoryOutputStream log_out;
  UninstallLogWriter log(log_out, header);
  log.append("C:\\x", 0, true);
  log.append("C:\\x\\y.txt", 45306.4375, false);
  log.finish();
  std::mt19937 random(20240115);
  for (int round = 0; round < 600; ++round) {
    const bool is_log = round % 2 == 1;
    Bytes bytes = is_log ? log_out.bytes() : setup;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i)
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    if (random() % 3 == 0) bytes.resize(random() % bytes.size());
    if (random() % 5 == 0)
      bytes.insert(bytes.end(), random() % 80, static_cast<std::uint8_t>(random()));
    const fs::path file = tmp / (is_log ? "Uninst.dat" : "Setup.dat");
    write_bytes(file, bytes);
    const ToolRun run = run_tool({is_log ? "log" : "list", "--json", utf8_of(file)});
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(run.code == 0 || run.code == 1) << run.err;
    ASSERT_NO_THROW(parse_json(run.out)) << run.out;
  }
}

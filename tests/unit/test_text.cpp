// Fixed-capacity strings, path rules and message formatting.
#include <gtest/gtest.h>

#include "core/failure.h"
#include "core/paths.h"
#include "core/short_string.h"

TEST(ShortString, EncodesLengthCharactersThenZeros) {
  ShortString<7> s("abc");
  std::uint8_t out[8];
  std::fill(std::begin(out), std::end(out), 0xEE);
  s.encode(out);
  const std::uint8_t expected[8] = {3, 'a', 'b', 'c', 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), expected));

  // Reassigning a shorter text must not leave the old characters behind the new ones.
  s.assign("x");
  s.encode(out);
  const std::uint8_t shorter[8] = {1, 'x', 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), shorter));
}

TEST(ShortString, CutsLongTextsAndReadsOverlongLengthsAsCapacity) {
  EXPECT_EQ(ShortString<3>("abcdef").view(), "abc");

  const std::uint8_t stored[5] = {200, 'w', 'x', 'y', 'z'};
  EXPECT_TRUE(ShortString<4>::overlong(stored));
  EXPECT_EQ(ShortString<4>::decode(stored).view(), "wxyz");

  // Bytes after the characters carry no meaning.
  const std::uint8_t garbage_after[5] = {2, 'o', 'k', 'Q', 'Q'};
  EXPECT_FALSE(ShortString<4>::overlong(garbage_after));
  EXPECT_EQ(ShortString<4>::decode(garbage_after).view(), "ok");

  // 8-bit characters, NUL included, are kept as they are.
  const std::uint8_t eight_bit[5] = {3, 0xE9, 0, 0xFF, 0};
  EXPECT_EQ(ShortString<4>::decode(eight_bit).str(), std::string("\xE9\0\xFF", 3));
}

TEST(Paths, AddBackslash) {
  EXPECT_EQ(add_backslash(""), "");
  EXPECT_EQ(add_backslash("C:"), "C:\\");
  EXPECT_EQ(add_backslash("C:\\"), "C:\\");
  EXPECT_EQ(add_backslash("C:\\Program Files"), "C:\\Program Files\\");
  EXPECT_EQ(add_backslash("a\\\\"), "a\\\\");
}

TEST(Paths, FolderFileNameAndExtension) {
  struct Case {
    const char *path, *folder, *name, *ext;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Mo\\Mo.exe", "C:\\Program Files\\Mo\\", "Mo.exe", ".exe"},
      {"C:Mo.exe", "C:", "Mo.exe", ".exe"},
      {"Mo", "", "Mo", ""},
      {"", "", "", ""},
      {"C:\\dir.d\\file", "C:\\dir.d\\", "file", ""},  // a dot in a folder is no extension
      {"C:\\a\\archive.tar.gz", "C:\\a\\", "archive.tar.gz", ".gz"},
      {"C:\\a\\.hidden", "C:\\a\\", ".hidden", ".hidden"},
      {"C:\\a\\trailing.", "C:\\a\\", "trailing.", "."},
      {"C:\\a\\", "C:\\a\\", "", ""},
      {"a/b.txt", "", "a/b.txt", ".txt"},  // only "\" and ":" separate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(folder_part(c.path), c.folder);
    EXPECT_EQ(file_name_part(c.path), c.name);
    EXPECT_EQ(extension_of(c.path), c.ext);
  }
}

TEST(Paths, CaseIsIgnoredForAsciiLettersOnly) {
  EXPECT_TRUE(same_text_ignoring_case("Uninst.exe", "UNINST.EXE"));
  EXPECT_TRUE(same_text_ignoring_case("uninst.exe", "Uninst.exe"));
  EXPECT_TRUE(same_text_ignoring_case(".GID", ".gid"));
  EXPECT_FALSE(same_text_ignoring_case("Uninst.exe", "Uninst.exe.bak"));
  EXPECT_FALSE(same_text_ignoring_case("Uninst.exe", "MyUninst.exe"));
  EXPECT_FALSE(same_text_ignoring_case("Uninst.exe", "Uninst.com"));
  // Windows-1252 letters are not folded: only the 26 ASCII letters are.
  EXPECT_FALSE(same_text_ignoring_case("\xC9t\xE9", "\xE9t\xE9"));
  // Characters next to the letter ranges must not be folded either.
  EXPECT_FALSE(same_text_ignoring_case("@[`{", "`{@["));
}

TEST(Paths, NamesThatCouldLeaveTheirFolder) {
  for (const char* bad : {".", "..", "a\\b", "\\", "a/b", "C:x", ":", "..\\..\\Windows"})
    EXPECT_TRUE(escapes_folder(bad)) << bad;
  for (const char* good : {"Mo.exe", "...", ".x", "a..b", "Read Me", "\xE9t\xE9"})
    EXPECT_FALSE(escapes_folder(good)) << good;
}

TEST(Paths, NamesOfDevices) {
  for (const char* device : {"CON", "nul", "Aux.txt", "PRN.a.b", "com1", "LPT9.log", "NUL .txt",
                             "con  ", "COM\xB9", "lpt\xB3.x"})
    EXPECT_TRUE(names_device(device)) << device;
  for (const char* file : {"CONSOLE", "NUL2", "COM0", "COM10", "LPT", "xNUL", ".NUL", "COM\xB4",
                           "Mo.exe", ""})
    EXPECT_FALSE(names_device(file)) << file;
}

TEST(FormatText, ReplacesMarkersInOrder) {
  EXPECT_EQ(format_text("Error copying the file '%s' to '%s'.", {"C:\\a", "D:\\b"}),
            "Error copying the file 'C:\\a' to 'D:\\b'.");
  EXPECT_EQ(format_text("no markers", {"x"}), "no markers");
  EXPECT_EQ(format_text("'%s' and '%s'", {"one"}), "'one' and ''");
  // A replacement holding a marker is not expanded again.
  EXPECT_EQ(format_text("%s|%s", {"%s", "b"}), "%s|b");
  EXPECT_EQ(format_text("100%", {}), "100%");
}

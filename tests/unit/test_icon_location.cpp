// The text rules of a shortcut's icon: own-icon targets and DefaultIcon values.
#include <gtest/gtest.h>

#include "core/icon_location.h"

TEST(IconLocation, ExeAndIcoTargetsUseThemselves) {
  EXPECT_TRUE(has_own_icon("C:\\Program Files\\Marbelo Orbit\\Mo.exe"));
  EXPECT_TRUE(has_own_icon("C:\\Mo\\MO.EXE"));
  EXPECT_TRUE(has_own_icon("C:\\Mo\\app.Ico"));
  EXPECT_FALSE(has_own_icon("C:\\Mo\\Mo.hlp"));
  EXPECT_FALSE(has_own_icon("C:\\Mo\\Readme.txt"));
  EXPECT_FALSE(has_own_icon("C:\\Mo.exe\\Readme"));  // a dot in a folder name is no extension
  EXPECT_FALSE(has_own_icon("C:\\Mo\\Mo.exe.txt"));
  EXPECT_FALSE(has_own_icon("C:\\Mo\\Mo.exe "));
  EXPECT_FALSE(has_own_icon("C:\\Mo\\Mo.\xC9XE"));  // only ASCII letters fold
  EXPECT_TRUE(has_own_icon("Mo:x.exe"));
}

TEST(IconLocation, IndexSyntax) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> index;
  };
  const Case cases[] = {
      {"0", 0},
      {"3", 3},
      {"-2", -2},
      {"+7", 7},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},  // must not wrap into range
      {"$1F", 0x1F},
      {"$1f", 0x1F},
      {"$7FFFFFFF", INT32_MAX},
      {"$FFFFFFFE", -2},  // a 32-bit pattern, as negative indexes are written in hex
      {"$80000000", INT32_MIN},
      {"$000000001F", 0x1F},  // leading zeros are free
      {"$100000000", std::nullopt},
      {"-$2", -2},
      {"-$FFFFFFFE", 2},
      {"-$80000000", INT32_MIN},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"$", std::nullopt},
      {"-$", std::nullopt},
      {"$-2", std::nullopt},
      {"--2", std::nullopt},
      {"1,2", std::nullopt},
      {"1 2", std::nullopt},
      {" 1", std::nullopt},  // blanks are the caller's to trim
      {"0x1F", std::nullopt},
      {"$1G", std::nullopt},
      {"1F", std::nullopt},  // hex digits only after "$"
      {"\xB3", std::nullopt},  // superscript three of the code page is no digit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parse_icon_index(c.text), c.index);
  }
}

TEST(IconLocation, DefaultIconValues) {
  struct Case {
    const char* value;
    const char* path;
    std::int32_t index;
  };
  const Case cases[] = {
      {"C:\\Mo\\Mo.exe", "C:\\Mo\\Mo.exe", 0},
      {"C:\\Mo\\Mo.exe,-2", "C:\\Mo\\Mo.exe", -2},
      {"C:\\Mo\\Mo.exe , 3", "C:\\Mo\\Mo.exe ", 3},  // the blank before the comma stays
      {"C:\\Mo\\Mo.exe,1,2", "C:\\Mo\\Mo.exe,1,2", 0},  // "1,2" is no index: all is path
      {"C:\\Mo\\Mo.exe,$1F", "C:\\Mo\\Mo.exe", 0x1F},
      {"  \t C:\\Mo\\Mo.exe,4 \r\n", "C:\\Mo\\Mo.exe", 4},
      {"C:\\Mo\\Mo.exe,\t5\t", "C:\\Mo\\Mo.exe", 5},
      {"C:\\Mo\\Mo.exe,", "C:\\Mo\\Mo.exe,", 0},  // nothing after the comma is no index
      {"C:\\Mo\\Mo.exe,  ", "C:\\Mo\\Mo.exe,", 0},
      {"C:\\Mo\\Mo.exe,x", "C:\\Mo\\Mo.exe,x", 0},
      {"C:\\Mo\\Mo.exe,2147483648", "C:\\Mo\\Mo.exe,2147483648", 0},
      {",3", "", 3},
      {"%SystemRoot%\\system32\\shell32.dll,-152", "%SystemRoot%\\system32\\shell32.dll", -152},
      {"\xA0icon.dll\xA0", "\xA0icon.dll\xA0", 0},  // code-page characters are not blanks
      {"", "", 0},
      {"   ", "", 0},
      {"\x1F\x01", "", 0},
      {"%1", "%1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const IconLocation got = parse_default_icon(c.value);
    EXPECT_EQ(got.path, c.path);
    EXPECT_EQ(got.index, c.index);
  }
}

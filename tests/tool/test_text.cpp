// The code page conversion, the name rules and the JSON output: the pieces every report and
// every packed name go through.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "setupdat/codepage.h"
#include "setupdat/display.h"
#include "setupdat/json_output.h"
#include "setupdat/rules.h"
#include "support.h"

TEST(Codepage, EveryAssignedByteRoundTripsAndTheUnassignedOnesShowAsReplacement) {
  const std::string unassigned = "\x81\x8D\x8F\x90\x9D";
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = cp1252_to_utf8(byte);
    if (unassigned.find(byte) != std::string::npos) {
      EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;
      EXPECT_FALSE(utf8_to_cp1252(std::string(1, '\xC2') + byte)) << "U+00" << b;
    } else {
      EXPECT_EQ(utf8_to_cp1252(utf8), byte) << b;
    }
  }
}

TEST(Codepage, TheHighHalfMapsToItsOwnCharacters) {
  EXPECT_EQ(cp1252_to_utf8("\x80\x8A\x9C\x9F"), "€Šœ\xC5\xB8");  // € Š œ Ÿ
  EXPECT_EQ(utf8_to_cp1252("€ “quoted” – Café Ÿ"),
            "\x80 \x93quoted\x94 \x96 Caf\xE9 \x9F");
  EXPECT_EQ(cp1252_to_utf8("\xA0\xE9\xFF"), "\xC2\xA0\xC3\xA9\xC3\xBF");
}

TEST(Codepage, RefusesInvalidUtf8AndCharactersWithoutAByte) {
  for (const char* text : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xE2\x82", "\x80",
                           "\xF4\x90\x80\x80", "\xFF", "☃", "日本", "\xC2\x81", "ā"}) {
    EXPECT_FALSE(utf8_to_cp1252(text)) << text;
  }
  EXPECT_EQ(utf8_to_cp1252(""), "");
}

TEST(Rules, WindowsNames) {
  for (const char* good : {"Readme.txt", "a b", "COM10", "CONSOLE.txt", "Caf\xE9", "LPT0",
                           ".hidden", "x.y.z", "NULL"}) {
    EXPECT_FALSE(windows_name_problem(good)) << good;
  }
  const std::pair<const char*, const char*> bad[] = {
      {"", "empty"},           {".", "'.'"},           {"..", "'..'"},
      {"a\x01", "0x01"},       {"a\x1f", "0x1f"},      {"a<b", "'<'"},
      {"a>b", "'>'"},          {"a:b", "':'"},         {"a\"b", "'\"'"},
      {"a/b", "'/'"},          {"a\\b", "'\\'"},       {"a|b", "'|'"},
      {"a?b", "'?'"},          {"a*b", "'*'"},         {"name ", "space"},
      {"name.", "dot"},        {"CON", "device"},      {"con.txt", "device"},
      {"Aux.tar.gz", "device"}, {"nul", "device"},     {"PRN.x", "device"},
      {"com1", "device"},      {"COM9.log", "device"}, {"lpt5", "device"},
  };
  for (const auto& [name, why] : bad) {
    const auto problem = windows_name_problem(name);
    ASSERT_TRUE(problem) << name;
    EXPECT_NE(problem->find(why), std::string::npos) << name << ": " << *problem;
  }
}

TEST(Rules, ShortNamesAndTheNamesWindowsCouldAbbreviateToThem) {
  const struct {
    const char* name;
    const char* short_name;
    bool abbreviates;
  } cases[] = {
      {"longname.txt", "LONGNA~1.TXT", true},
      {"longname.txt", "longna~7.txt", true},          // any number, case ignored
      {"Long Name.txt", "LONGN~12.TXT", true},         // a longer number leaves less of the base
      {"ab cd.txt", "ABCD~1.TXT", true},               // spaces left out, a short base whole
      {"abcdefgh ij.txt", "ABCD~1.TXT", false},        // a long base is never cut so short
      {"a+b;c.txt", "A_B_C~1.TXT", true},              // what 8.3 cannot hold becomes '_'
      {".profile", "PROFIL~1", true},                  // leading dots left out, no extension
      {"archive.tar.gz", "ARCHIV~1.GZ", true},         // the extension after the last dot
      {"Caf\xE9 au lait.txt", "CAF\xC9" "AU~1.TXT", true},  // the code page keeps it
      {"Caf\xE9 au lait.txt", "CAF_AU~1.TXT", true},          // or lacks it
      {"Caf_ au lait.txt", "CAF\xC9" "AU~1.TXT", false},      // a '_' never becomes a letter
      {"longname.txt", "LO1A2F~5.TXT", true},          // two characters and a hash
      {"longname.txt", "LO1A2G~5.TXT", false},         // the hash is hex
      {"LONGNAME.TXT", "LONGNA~1.TXT", false},         // its own short name: it gets no other
      {"readme.txt", "README~1.DOC", false},
      {"Other.txt", "README~1.TXT", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.short_name);
    const std::vector<std::string_view> folder = {c.short_name, c.name};
    EXPECT_TRUE(has_short_name_form(c.short_name));
    const std::optional<std::size_t> other =
        c.abbreviates ? std::optional<std::size_t>(1) : std::nullopt;
    EXPECT_EQ(ShortNameIndex(folder).abbreviated_to(c.short_name), other);
  }
  for (const char* not_short : {"LONGNA~0.TXT", "LONGNAME~1.TXT", "~1.TXT", "A~1.TEXT",
                                "A B~1.TXT", "A~1B.TXT", "A~1.", "A~.TXT"})
    EXPECT_FALSE(has_short_name_form(not_short)) << not_short;
}

TEST(Display, ControlCharactersAreEscapedInBothKindsOfText) {
  // 8-bit names from the data files, converted to UTF-8 on the way.
  EXPECT_EQ(shown("a\nb\x7f\x80\xE9\x01"), "a\\x0ab\\x7f€é\\x01");
  // UTF-8 from the file system: only the control characters change; bytes that are no UTF-8
  // pass as they are, the way file names on Linux may hold them.
  EXPECT_EQ(controls_escaped("line\nbreak\t€\x1f\xFF"), "line\\x0abreak\\x09€\\x1f\xFF");
  EXPECT_EQ(controls_escaped(""), "");
}

TEST(JsonOutput, ReplacesInvalidUtf8AndWritesDoublesThatReadBackBitForBit) {
  std::ostringstream text;
  write_json(text, {"quote \" backslash \\ newline \n bell \x07", "broken \xC3 utf8 \xFF end"});
  const Json strings = parse_json(text.str());
  EXPECT_EQ(strings.at(0).get<std::string>(), "quote \" backslash \\ newline \n bell \x07");
  EXPECT_EQ(strings.at(1).get<std::string>(), "broken \xEF\xBF\xBD utf8 \xEF\xBF\xBD end");

  const double values[] = {0.0, -0.0, 0.1, 45306.4375, 45306.43750000001, 1e300,
                           std::numeric_limits<double>::denorm_min(), -123.456e-7, 45306.0};
  for (const double value : values) {
    std::ostringstream out;
    write_json(out, json_number(value));
    const double back = std::strtod(out.str().c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << out.str();
  }
  // Whole values read as integers, as they did before the library wrote them.
  EXPECT_EQ(json_number(45306.0).dump(), "45306");
  EXPECT_EQ(json_number(0.0).dump(), "0");
  EXPECT_TRUE(json_number(std::nan("")).is_null());
  EXPECT_TRUE(json_number(std::numeric_limits<double>::infinity()).is_null());
}

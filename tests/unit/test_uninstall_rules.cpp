// The uninstaller's self-removal batch file, byte for byte, and the keys of the file types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/uninstall_rules.h"

namespace {

// The lines of a text whose every line ends in CR LF; a bare CR or LF fails the test.
std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  for (const std::string& line : lines)
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
  return lines;
}

}  // namespace

TEST(UninstallBatch, ExactBytesForAnInstallationUnderProgramFiles) {
  const std::string exe = "C:\\Program Files\\Marbelo Orbit\\Uninst.exe";
  const std::string folder = folder_to_remove("C:\\Program Files\\Marbelo Orbit\\");
  const std::string batch = uninstall_batch_path("C:\\WINDOWS");
  EXPECT_EQ(folder, "C:\\Program Files\\Marbelo Orbit");
  EXPECT_EQ(batch, "C:\\WINDOWS\\KVUNINST.BAT");
  EXPECT_EQ(uninstall_batch_text(exe, folder, batch),
            "@echo off\r\n"
            "set tries=0\r\n"
            ":loop\r\n"
            "del \"C:\\Program Files\\Marbelo Orbit\\Uninst.exe\"\r\n"
            "if not exist \"C:\\Program Files\\Marbelo Orbit\\Uninst.exe\" goto done\r\n"
            "set /a tries+=1\r\n"
            "if %tries% geq 60 goto done\r\n"
            "ping -n 2 127.0.0.1 >nul\r\n"
            "goto loop\r\n"
            ":done\r\n"
            "rd \"C:\\Program Files\\Marbelo Orbit\"\r\n"
            "del \"C:\\WINDOWS\\KVUNINST.BAT\"\r\n");
  EXPECT_EQ(crlf_lines(uninstall_batch_text(exe, folder, batch, 3))[6],
            "if %tries% geq 3 goto done");
}

TEST(UninstallBatch, PathsAreQuotedWithPercentSignsDoubled) {
  // "%" starts a variable in a batch file: "50%off" unescaped would be read as "50off", and
  // "%windir%" as the Windows folder. Characters that are special only outside quotes stay.
  const std::vector<std::string> lines = crlf_lines(uninstall_batch_text(
      "D:\\50%off & more\\%windir%\\Uninst.exe", "D:\\50%off & more\\%windir%", "KVUNINST.BAT"));
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[3], "del \"D:\\50%%off & more\\%%windir%%\\Uninst.exe\"");
  EXPECT_EQ(lines[4], "if not exist \"D:\\50%%off & more\\%%windir%%\\Uninst.exe\" goto done");
  EXPECT_EQ(lines[10], "rd \"D:\\50%%off & more\\%%windir%%\"");
  EXPECT_EQ(lines[11], "del \"KVUNINST.BAT\"");
}

TEST(UninstallBatch, FolderAndBatchPathRules) {
  const struct {
    const char* given;
    const char* folder;  // folder_to_remove
    const char* batch;   // uninstall_batch_path
  } cases[] = {
      {"C:\\Apps\\Orbit\\", "C:\\Apps\\Orbit", "C:\\Apps\\Orbit\\KVUNINST.BAT"},
      {"C:\\Apps\\Orbit\\\\", "C:\\Apps\\Orbit\\", "C:\\Apps\\Orbit\\\\KVUNINST.BAT"},  // one only
      {"C:\\Apps\\Orbit", "C:\\Apps\\Orbit", "C:\\Apps\\Orbit\\KVUNINST.BAT"},
      {"C:", "C:", "C:\\KVUNINST.BAT"},
      {"", "", "KVUNINST.BAT"},  // no Windows folder: the current folder
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(folder_to_remove(c.given), c.folder);
    EXPECT_EQ(uninstall_batch_path(c.given), c.batch);
  }
}

TEST(UninstallFileTypes, SixteenKeysInTheirOrder) {
  std::string keys;
  for (std::string_view extension : file_type_extensions)
    keys += extension_key(extension) + " " + file_class_key(extension) + " ";
  EXPECT_EQ(keys,
            "\\.mal \\MO_mal_File \\.mcl \\MO_mcl_File \\.mdr \\MO_mdr_File \\.mfm \\MO_mfm_File "
            "\\.mfr \\MO_mfr_File \\.mgr \\MO_mgr_File \\.mpr \\MO_mpr_File \\.mxf \\MO_mxf_File ");
}

// Uninst.dat: the writer's bytes, the provisional header, the reader and bad input.
#include <gtest/gtest.h>

#include <string>

#include "core/bytes.h"
#include "core/failure.h"
#include "core/texts.h"
#include "core/uninstall_log.h"

namespace {

SetupHeader setup_header(std::string_view product, std::string_view key) {
  SetupHeader h;
  h.product_name.assign(product);
  h.settings_key.assign(key);
  return h;
}

}  // namespace

TEST(UninstallLog, HeaderCountsNoRecordsUntilFinished) {
  MemoryOutputStream out;
  UninstallLogWriter log(out, setup_header("Marbelo Orbit", "Software\\Marbelo"));
  ASSERT_EQ(out.bytes().size(), 108u);
  log.append("C:\\Mo\\Mo.exe", 36585.5, false);
  log.append("C:\\Mo\\Formula", 36585.5, true);
  EXPECT_EQ(out.bytes().size(), 108u + 2 * 268u);
  EXPECT_EQ(le::get_i32(out.bytes().data() + 104), 0);  // a run ending here claims nothing
  EXPECT_EQ(log.record_count(), 2);
  log.finish();
  EXPECT_EQ(out.bytes().size(), 108u + 2 * 268u);
  EXPECT_EQ(le::get_i32(out.bytes().data() + 104), 2);

  const auto& b = out.bytes();
  EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "KVUNINST");
  EXPECT_EQ(b[8], 13);
  EXPECT_EQ(std::string(b.begin() + 9, b.begin() + 22), "Marbelo Orbit");
  EXPECT_EQ(b[40], 16);
  const std::uint8_t* first = b.data() + 108;
  EXPECT_EQ(first[0], 12);
  EXPECT_EQ(std::string(first + 1, first + 13), "C:\\Mo\\Mo.exe");
  for (int i = 13; i < 256; ++i) ASSERT_EQ(first[i], 0) << i;
  EXPECT_EQ(le::get_double(first + 256), 36585.5);
  EXPECT_EQ(first[264], 0);
  EXPECT_EQ(b[108 + 268 + 264], 1);
  for (int i = 265; i < 268; ++i) EXPECT_EQ(first[i], 0);
}

TEST(UninstallLog, EmptyLogIsJustTheHeader) {
  MemoryOutputStream out;
  UninstallLogWriter log(out, setup_header("", ""));
  log.finish();
  EXPECT_EQ(out.bytes().size(), 108u);
}

TEST(UninstallLog, LongPathsAndNamesAreCutToTheirFields) {
  MemoryOutputStream out;
  UninstallLogWriter log(out, setup_header(std::string(40, 'p'), std::string(80, 'k')));
  log.append(std::string(300, 'x'), 0, false);
  log.finish();
  MemoryInputStream in(out.bytes());
  UninstallLogReader reader(in);
  EXPECT_EQ(reader.header().product_name.size(), 31u);
  EXPECT_EQ(reader.header().settings_key.size(), 63u);
  EXPECT_EQ(reader.next().path.view(), std::string(255, 'x'));
}

TEST(UninstallLog, ReaderTakesAnySignatureAndNonzeroFolderBytes) {
  MemoryOutputStream out;
  UninstallLogWriter log(out, setup_header("P", "K"));
  log.append("C:\\a", 1.5, false);
  log.append("C:\\b", 0, true);
  log.finish();
  auto bytes = out.bytes();
  std::fill(bytes.begin(), bytes.begin() + 8, 'Z');
  bytes[108 + 268 + 264] = 7;  // any nonzero byte means a folder
  bytes.insert(bytes.end(), 10, 0xCC);  // never read

  MemoryInputStream in(bytes);
  UninstallLogReader reader(in);
  EXPECT_EQ(reader.header().record_count, 2);
  EXPECT_EQ(reader.header().product_name.view(), "P");
  const auto a = reader.next();
  EXPECT_EQ(a.path.view(), "C:\\a");
  EXPECT_EQ(a.file_date, 1.5);
  EXPECT_FALSE(a.is_folder);
  EXPECT_TRUE(reader.next().is_folder);
}

TEST(UninstallLog, EveryTruncationPointIsAReadError) {
  MemoryOutputStream out;
  UninstallLogWriter log(out, setup_header("Marbelo Orbit", "Software\\Marbelo"));
  for (int i = 0; i < 3; ++i) log.append("C:\\Mo\\file" + std::to_string(i), i, false);
  log.finish();
  const auto& whole = out.bytes();
  for (std::size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
    MemoryInputStream in(cut);
    try {
      UninstallLogReader reader(in);
      for (int i = 0; i < reader.header().record_count; ++i) reader.next();
      ADD_FAILURE() << "read a cut log";
    } catch (const Failure& f) {
      EXPECT_STREQ(f.what(), texts::stream_read_error);
    }
  }
}

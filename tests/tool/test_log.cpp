// log: an Uninst.dat read record by record, whatever its count claims, every problem reported.
#include <gtest/gtest.h>

#include <functional>

#include "core/bytes.h"
#include "core/uninstall_log.h"
#include "setupdat/file_io.h"
#include "support.h"

namespace {


// Records at offsets 108 (a folder), 376 and 644; the log ends at 912.
Bytes valid_log() {
  SetupHeader setup;
  setup.product_name.assign("Marbelo Orbit");
  setup.settings_key.assign("Software\\Marbelo\\Orbit 2");
  MemoryOutputStream out;
  UninstallLogWriter writer(out, setup);
  writer.append("C:\\Program Files\\Marbelo Orbit", 0, true);
  writer.append("C:\\Program Files\\Marbelo Orbit\\Readme.txt", 45306.4375, false);
  writer.append("C:\\Program Files\\Marbelo Orbit\\Caf\xE9\x81.txt", 45306.5, false);
  writer.finish();
  return out.bytes();
}

ToolRun log_of(const TempDir& tmp, const Bytes& bytes, bool json) {
  write_bytes(tmp / "Uninst.dat", bytes);
  if (json) return run_tool({"log", "--json", utf8_of(tmp / "Uninst.dat")});
  return run_tool({"log", utf8_of(tmp / "Uninst.dat")});
}

}  // namespace

TEST(Log, ShowsTheHeaderAndEveryRecord) {
  TempDir tmp;
  const ToolRun run = log_of(tmp, valid_log(), true);
  ASSERT_EQ(run.code, 0) << run.err;
  const Json doc = parse_json(run.out);
  EXPECT_EQ(doc.at("signature").get<std::string>(), "KVUNINST");
  EXPECT_EQ(doc.at("product_name").get<std::string>(), "Marbelo Orbit");
  EXPECT_EQ(doc.at("settings_key").get<std::string>(), "Software\\Marbelo\\Orbit 2");
  EXPECT_EQ(doc.at("record_count").dump(), "3");
  const Json& records = doc.at("records");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records.at(0).at("path").get<std::string>(), "C:\\Program Files\\Marbelo Orbit");
  EXPECT_TRUE(records.at(0).at("is_folder").get<bool>());
  EXPECT_FALSE(records.at(1).at("is_folder").get<bool>());
  EXPECT_EQ(records.at(1).at("file_date").get<double>(), 45306.4375);
  EXPECT_EQ(records.at(1).at("file_date_hex").get<std::string>(), "000000004e1fe640");
  // é is 0xE9; 0x81 stands for no character and shows as U+FFFD.
  EXPECT_EQ(records.at(2).at("path").get<std::string>(),
            "C:\\Program Files\\Marbelo Orbit\\Café\uFFFD.txt");
  EXPECT_TRUE(doc.at("problems").empty());

  const ToolRun text = log_of(tmp, valid_log(), false);
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("  folder  C:\\Program Files\\Marbelo Orbit  0 (1899-12-30 00:00:00)"),
            std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Readme.txt  45306.4375 (2024-01-15 10:30:00)"), std::string::npos);
}

TEST(Log, ReportsEveryKindOfDamage) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> change;
    std::string expected;
    std::size_t records;  // read and shown
  };
  const std::vector<Case> cases = {
      {"shorter than its header", [](Bytes& b) { b.resize(100); },
       "the log is shorter than its header: 100 of 108 bytes", 0},
      {"count beyond the end", [](Bytes& b) { le::put_i32(&b[104], 5); },
       "the record count 5 goes beyond the end of the file: it holds 3 whole records and 0 bytes "
       "more", 3},
      {"huge count", [](Bytes& b) { le::put_i32(&b[104], 2147483647); },
       "the record count 2147483647 goes beyond the end", 3},
      {"cut inside a record", [](Bytes& b) { b.resize(800); },
       "it holds 2 whole records and 156 bytes more", 2},
      {"negative count", [](Bytes& b) { le::put_i32(&b[104], -1); },
       "the record count -1 is negative", 0},
      {"bytes after the records", [](Bytes& b) { b.insert(b.end(), 10, 0); },
       "10 bytes follow the last record at offset 912", 3},
      {"records beyond the count", [](Bytes& b) { le::put_i32(&b[104], 1); },
       "536 bytes follow the last record at offset 376 (2 whole records beyond the record count)",
       1},
      {"one record beyond the count", [](Bytes& b) { le::put_i32(&b[104], 2); },
       "268 bytes follow the last record at offset 644 (1 whole record beyond", 2},
      {"signature", [](Bytes& b) { b[0] = 'X'; }, "(\"XVUNINST\"), not KVUNINST", 3},
      {"product name length", [](Bytes& b) { b[8] = 32; },
       "the product name's length byte 32 is above 31", 3},
      {"settings key length", [](Bytes& b) { b[40] = 64; },
       "the settings key's length byte 64 is above 63", 3},
      {"folder flag", [](Bytes& b) { b[376 + 264] = 2; },
       "record at offset 376: the folder flag is 2, not 0 or 1", 3},
      {"reserved bytes", [](Bytes& b) { b[644 + 266] = 1; },
       "record at offset 644: the reserved bytes are 000100, not zeros", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    Bytes bytes = valid_log();
    c.change(bytes);
    const ToolRun run = log_of(tmp, bytes, true);
    EXPECT_EQ(run.code, 1);
    const Json doc = parse_json(run.out);
    EXPECT_EQ(doc.at("records").size(), c.records);
    std::string problems;
    for (const Json& p : doc.at("problems")) problems += p.get<std::string>() + "\n";
    EXPECT_NE(problems.find(c.expected), std::string::npos) << problems;
    const ToolRun text = log_of(tmp, bytes, false);
    EXPECT_EQ(text.code, 1);
    EXPECT_NE(text.out.find(c.expected), std::string::npos) << text.out;
  }
}

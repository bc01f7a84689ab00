// File dates against the real file system, in a time zone with summer time (ctest gives this
// program TZ for Central Europe): a date is turned into UTC, and back, by the rules of its own
// season, whatever the season is today. With today's offset instead, every file installed in
// winter would read back an hour off in summer, and the uninstaller would take them all for
// changed by the user.
#include <gtest/gtest.h>

#include <windows.h>

#include <bit>
#include <cstdint>
#include <string>

#include "core/dates.h"
#include "tests/support/win_test_support.h"
#include "win/files.h"

namespace {

SYSTEMTIME written_utc(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  SYSTEMTIME utc{};
  FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
  return utc;
}

}  // namespace

TEST(FileDates, TakeTheOffsetOfTheirOwnSeason) {
  TIME_ZONE_INFORMATION zone{};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_UNKNOWN || zone.Bias != -60 ||
      zone.DaylightBias != -60)
    GTEST_SKIP() << "no Central European time here (bias " << zone.Bias << ")";

  wintest::TempFolder folder("mo_dates");
  const std::string path = folder / "dated.txt";
  wintest::write_file(path, "x");
  const struct {
    const char* season;
    DosDateTime local;  // 12:00:00 local time
    int utc_hour;
  } cases[] = {
      {"winter", {(44 << 9) | (1 << 5) | 15, 12 << 11}, 11},   // 2024-01-15, UTC+1
      {"summer", {(44 << 9) | (7 << 5) | 15, 12 << 11}, 10},   // 2024-07-15, UTC+2
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.season);
    const double value = *dos_to_datetime(c.local);
    set_file_date(path, value);
    EXPECT_EQ(written_utc(path).wHour, c.utc_hour);
    const auto back = read_file_date(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*back), std::bit_cast<std::uint64_t>(value));
  }
}

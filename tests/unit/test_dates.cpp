// DOS date-times and DateTimeValues, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/dates.h"

namespace {

std::string hex_le(double value) {
  std::uint8_t bytes[8];
  le::put_double(bytes, value);
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

// A small unsigned big integer (base 2^32 limbs, least significant first), written for this
// test only, so that the exact value is computed by other means than the code under test.
struct Big {
  std::vector<std::uint32_t> limbs;

  static Big of(std::uint64_t v) {
    Big b;
    while (v) {
      b.limbs.push_back(static_cast<std::uint32_t>(v));
      v >>= 32;
    }
    return b;
  }
  static Big power_of_two(int n) {
    Big b;
    b.limbs.assign(static_cast<std::size_t>(n / 32 + 1), 0);
    b.limbs.back() = 1u << (n % 32);
    return b;
  }
  void trim() {
    while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
  }
  int bits() const {
    if (limbs.empty()) return 0;
    int n = static_cast<int>(limbs.size() - 1) * 32;
    for (std::uint32_t top = limbs.back(); top; top >>= 1) ++n;
    return n;
  }
  bool bit(int i) const {
    const auto limb = static_cast<std::size_t>(i / 32);
    return limb < limbs.size() && (limbs[limb] >> (i % 32) & 1);
  }
  Big times(std::uint32_t m) const {
    Big r;
    std::uint64_t carry = 0;
    for (std::uint32_t l : limbs) {
      const std::uint64_t p = static_cast<std::uint64_t>(l) * m + carry;
      r.limbs.push_back(static_cast<std::uint32_t>(p));
      carry = p >> 32;
    }
    if (carry) r.limbs.push_back(static_cast<std::uint32_t>(carry));
    r.trim();
    return r;
  }
  // Quotient and remainder by a small divisor, schoolbook.
  Big divided(std::uint32_t d, std::uint32_t& remainder) const {
    Big q;
    q.limbs.assign(limbs.size(), 0);
    std::uint64_t rem = 0;
    for (std::size_t i = limbs.size(); i-- > 0;) {
      const std::uint64_t cur = rem << 32 | limbs[i];
      q.limbs[i] = static_cast<std::uint32_t>(cur / d);
      rem = cur % d;
    }
    q.trim();
    remainder = static_cast<std::uint32_t>(rem);
    return q;
  }
  std::uint64_t low64() const {
    std::uint64_t v = 0;
    for (std::size_t i = std::min<std::size_t>(limbs.size(), 2); i-- > 0;) v = v << 32 | limbs[i];
    return v;
  }
};

// x rounded to `keep` significant bits, ties to even: the mantissa and its power of two.
// Decides by comparing the dropped bits with half of the last kept unit.
std::pair<std::uint64_t, int> round_to(const Big& x, int keep) {
  const int drop = std::max(0, x.bits() - keep);
  std::uint64_t m = 0;
  for (int i = x.bits() - 1; i >= drop; --i) m = m << 1 | (x.bit(i) ? 1u : 0u);
  if (drop == 0) return {m, 0};
  bool below_half_nonzero = false;
  for (int i = 0; i < drop - 1; ++i) below_half_nonzero = below_half_nonzero || x.bit(i);
  const bool half_bit = x.bit(drop - 1);
  int exponent = drop;
  if (half_bit && (below_half_nonzero || (m & 1))) {
    ++m;
    if (keep < 64 ? (m >> keep) != 0 : m == 0) {
      m = keep < 64 ? m >> 1 : 1ULL << 63;
      ++exponent;
    }
  }
  return {m, exponent};
}

// The fraction of a day for ms milliseconds: ms times the reciprocal of 86,400,000 held to 64
// bits (derived here by long division of 2^90), rounded to 64 bits, then to a double.
double exact_day_fraction(std::uint32_t ms) {
  std::uint32_t remainder = 0;
  Big q = Big::power_of_two(90).divided(86'400'000u, remainder);
  // 2^90 / 86,400,000 lies between 2^63 and 2^64, so q already has 64 bits: round once.
  std::uint64_t reciprocal = q.low64();
  if (2ull * remainder > 86'400'000u || (2ull * remainder == 86'400'000u && (reciprocal & 1)))
    ++reciprocal;
  const Big product = Big::of(reciprocal).times(ms);
  const auto [m64, e64] = round_to(product, 64);
  const auto [m53, e53] = round_to(Big::of(m64), 53);
  return std::ldexp(static_cast<double>(m53), e64 + e53 - 90);
}

DosDateTime dos(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return {static_cast<std::uint16_t>((y - 1980) << 9 | mo << 5 | d),
          static_cast<std::uint16_t>(h << 11 | mi << 5 | s / 2)};
}

}  // namespace

TEST(Dates, KnownVectors) {
  struct Vector {
    std::uint16_t date, time;
    const char* hex;
  };
  const Vector vectors[] = {
      {0x0021, 0x0000, "000000004089dc40"},  // 1980-01-01 00:00:00 = 29221.0
      {0x279F, 0xBF7D, "6f74cfffbfd5e140"},  // 1999-12-31 23:59:58
      {0x285D, 0x6000, "0000000030dde140"},  // 2000-02-29 12:00:00 = 36585.5
      {0x58EF, 0x6DAF, "d8822d581236e640"},  // 2024-07-15 13:45:30
      {0xEF9F, 0xBF7D, "37bae7ffafd5f140"},  // 2099-12-31 23:59:58
  };
  for (const Vector& v : vectors) {
    const auto value = dos_to_datetime({v.date, v.time});
    ASSERT_TRUE(value);
    EXPECT_EQ(hex_le(*value), v.hex);
    EXPECT_EQ(datetime_to_dos(*value), (DosDateTime{v.date, v.time}));
  }
  EXPECT_EQ(*dos_to_datetime({0x0021, 0}), 29221.0);
  EXPECT_EQ(*dos_to_datetime({0x285D, 0x6000}), 36585.5);
}

// Every even-second time of day, on days whose whole part has different magnitudes, against
// the independent big-integer computation. A plain double reciprocal gets thousands wrong.
TEST(Dates, EveryTimeOfDayMatchesTheExactComputation) {
  const int days[][3] = {{1980, 1, 1}, {1999, 12, 31}, {2024, 7, 15}, {2099, 12, 31}};
  int plain_double_differs = 0;
  for (std::uint32_t two_seconds = 0; two_seconds < 43'200; ++two_seconds) {
    const std::uint32_t ms = two_seconds * 2000;
    const double fraction = exact_day_fraction(ms);
    if (!le::same_bits(fraction, ms * (1.0 / 86'400'000.0))) ++plain_double_differs;
#if defined(__x86_64__) && !defined(_WIN32)
    // The same product on the x87 unit, which holds the reciprocal to 64 bits natively.
    const long double reciprocal = 1.0L / 86'400'000.0L;
    ASSERT_TRUE(le::same_bits(fraction, static_cast<double>(ms * reciprocal))) << ms;
#endif
    const int h = static_cast<int>(ms / 3'600'000), mi = static_cast<int>(ms / 60'000 % 60),
              s = static_cast<int>(ms / 1000 % 60);
    for (const auto& d : days) {
      const double whole = *dos_to_datetime(dos(d[0], d[1], d[2]));
      const auto value = dos_to_datetime(dos(d[0], d[1], d[2], h, mi, s));
      ASSERT_TRUE(value);
      ASSERT_TRUE(le::same_bits(*value, whole + fraction)) << d[0] << " " << ms;
      ASSERT_EQ(datetime_to_dos(*value), dos(d[0], d[1], d[2], h, mi, s)) << ms;
    }
  }
  EXPECT_GT(plain_double_differs, 1000);  // the trap this computation avoids is real
}

TEST(Dates, EveryDayFrom1980To2099RoundTrips) {
  double previous = 0;
  int count = 0;
  for (int y = 1980; y <= 2099; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= 31; ++d) {
        const auto value = dos_to_datetime(dos(y, m, d, 23, 59, 58));
        if (!value) continue;  // a day the month does not have
        ++count;
        ASSERT_GT(*value, previous);
        previous = *value;
        ASSERT_EQ(datetime_to_dos(*value), dos(y, m, d, 23, 59, 58));
        ASSERT_TRUE(survives_dos_round_trip(*value));
      }
    }
  }
  EXPECT_EQ(count, 43'830);  // 120 years, 30 of them leap years (2000 is one)
}

TEST(Dates, DateTimesThatDoNotExistAreRefused) {
  EXPECT_FALSE(dos_to_datetime(dos(2001, 13, 1)));
  EXPECT_FALSE(dos_to_datetime(dos(2001, 0, 1)));
  EXPECT_FALSE(dos_to_datetime(dos(2001, 1, 0)));
  EXPECT_FALSE(dos_to_datetime(dos(2001, 2, 29)));  // not a leap year
  EXPECT_TRUE(dos_to_datetime(dos(2000, 2, 29)));   // divisible by 400
  EXPECT_FALSE(dos_to_datetime(dos(2100 - 20, 4, 31)));
  EXPECT_FALSE(dos_to_datetime(dos(2001, 1, 1, 24)));
  EXPECT_FALSE(dos_to_datetime(dos(2001, 1, 1, 0, 60)));
  EXPECT_FALSE(dos_to_datetime({dos(2001, 1, 1).date, 30}));  // 60 seconds
  EXPECT_FALSE(dos_to_datetime({0, 0}));                      // what files without a date get
}

TEST(Dates, ValuesOutsideTheDosRangeGiveZero) {
  const DosDateTime zero{};
  EXPECT_EQ(datetime_to_dos(*dos_to_datetime(dos(1980, 1, 1)) - 1.0 / 86400), zero);  // 1979
  EXPECT_EQ(datetime_to_dos(*dos_to_datetime(dos(2099, 12, 31, 23, 59, 58)) + 3.0 / 86400), zero);
  EXPECT_EQ(datetime_to_dos(0.0), zero);
  EXPECT_EQ(datetime_to_dos(-36000.0), zero);
  EXPECT_EQ(datetime_to_dos(1e300), zero);
  EXPECT_EQ(datetime_to_dos(std::nan("")), zero);
  EXPECT_EQ(datetime_to_dos(INFINITY), zero);
  EXPECT_EQ(datetime_to_dos(-INFINITY), zero);
  EXPECT_EQ(datetime_to_dos(5e-324), zero);
  EXPECT_FALSE(survives_dos_round_trip(std::nan("")));
  EXPECT_FALSE(survives_dos_round_trip(0.0));
}

TEST(Dates, OddSecondsAndMillisecondsAreDropped) {
  const double base = *dos_to_datetime(dos(2024, 7, 15, 13, 45, 30));
  const double second = 1.0 / 86400;
  EXPECT_EQ(datetime_to_dos(base + second), dos(2024, 7, 15, 13, 45, 30));        // :31 -> :30
  EXPECT_EQ(datetime_to_dos(base + 1.999 * second), dos(2024, 7, 15, 13, 45, 30));  // .999 dropped
  EXPECT_EQ(datetime_to_dos(base + 2 * second), dos(2024, 7, 15, 13, 45, 32));
  EXPECT_FALSE(survives_dos_round_trip(base + second));
  // One unit in the last place away from the exact value is another value: it does not survive.
  EXPECT_FALSE(survives_dos_round_trip(std::nextafter(base, 1e9)));
  EXPECT_TRUE(survives_dos_round_trip(base));
}

TEST(Dates, CivilFieldsParseFormatAndConvert) {
  const auto c = parse_civil("2024-07-15 13:45:30");
  ASSERT_TRUE(c);
  EXPECT_EQ(format_civil(*c), "2024-07-15 13:45:30");
  EXPECT_EQ(dos_from_civil(*c), dos(2024, 7, 15, 13, 45, 30));
  EXPECT_EQ(split_datetime(*dos_to_datetime(*dos_from_civil(*c))), c);

  for (const char* bad : {"2024-07-15", "2024-7-15 13:45:30", "2024-07-15T13:45:30",
                          "2024-07-15 13:45:3x", " 2024-07-15 13:45:30", ""})
    EXPECT_FALSE(parse_civil(bad)) << bad;
  for (const char* no_dos : {"1979-12-31 23:59:58", "2100-01-01 00:00:00", "2024-07-15 13:45:31",
                             "2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 24:00:00"})
    EXPECT_FALSE(dos_from_civil(*parse_civil(no_dos))) << no_dos;

  // The day before 1899-12-30 counts backwards, its time forwards.
  const auto before = split_datetime(-1.25);
  ASSERT_TRUE(before);
  EXPECT_EQ(format_civil(*before), "1899-12-29 06:00:00");
  EXPECT_EQ(format_civil(*split_datetime(36585.5 + 0.5 / 86400)), "2000-02-29 12:00:00.500");
  // Padded like "%04d" and "%02d", the sign counted in the width, for any year a log may hold.
  EXPECT_EQ(format_civil({7, 1, 2, 3, 4, 5, 6}), "0007-01-02 03:04:05.006");
  EXPECT_EQ(format_civil({-5, 12, 31, 23, 59, 58, 0}), "-005-12-31 23:59:58");
  EXPECT_EQ(format_civil({-12345, 1, 1, 0, 0, 0, 0}), "-12345-01-01 00:00:00");
  EXPECT_EQ(format_civil({275760, 9, 13, 0, 0, 0, 0}), "275760-09-13 00:00:00");
}

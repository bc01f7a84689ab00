#include "core/dates.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::int64_t ms_per_day = 86'400'000;
// 1 / 86,400,000 = reciprocal_mantissa * 2^-90, the mantissa rounded to 64 bits.
constexpr std::uint64_t reciprocal_mantissa = 0xc6d750ebfa67b90dULL;
constexpr int reciprocal_exponent = -90;

// Days from 1899-12-30 (day 0) to a proleptic Gregorian date.
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 693899;  // 1970-01-01 is day 25569
}

void civil_from_days(std::int64_t z, int& year, int& month, int& day) {
  z += 693899;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap(y) ? 29 : days[m - 1];
}

// An unsigned integer of up to 128 bits as two halves; only what the conversions need.
struct Wide {
  std::uint64_t hi = 0, lo = 0;
};

Wide multiply(std::uint64_t a, std::uint32_t b) {
  const std::uint64_t low = (a & 0xffffffffu) * b;  // < 2^64
  const std::uint64_t high = (a >> 32) * b;          // < 2^64
  Wide r;
  r.lo = low + (high << 32);
  r.hi = (high >> 32) + (r.lo < low ? 1 : 0);
  return r;
}

int bit_length(const Wide& x) {
  int n = 0;
  for (std::uint64_t v = x.hi; v; v >>= 1) ++n;
  if (n) return n + 64;
  for (std::uint64_t v = x.lo; v; v >>= 1) ++n;
  return n;
}

// Bits [shift, shift + 64) of x, and whether the bits below shift are above, at or below half.
struct Cut {
  std::uint64_t kept;
  int rest;  // -1 below half, 0 exactly half, 1 above half
};

Cut cut_low_bits(const Wide& x, int shift) {
  Cut c{0, -1};
  if (shift == 0) {
    c.kept = x.lo;
    return c;
  }
  auto bit = [&](int i) -> unsigned {
    return static_cast<unsigned>(i >= 64 ? (x.hi >> (i - 64)) & 1 : (x.lo >> i) & 1);
  };
  for (int i = 63; i >= 0; --i) c.kept = c.kept << 1 | (shift + i < 128 ? bit(shift + i) : 0u);
  bool lower_nonzero = false;
  for (int i = 0; i < shift - 1; ++i) lower_nonzero |= bit(i) != 0;
  c.rest = bit(shift - 1) ? (lower_nonzero ? 1 : 0) : -1;
  return c;
}

// Rounds x to `bits` significant bits, ties to even: returns mantissa and the power of two.
void round_significant(const Wide& x, int bits, std::uint64_t& mantissa, int& exponent) {
  const int shift = bit_length(x) > bits ? bit_length(x) - bits : 0;
  Cut c = cut_low_bits(x, shift);
  mantissa = c.kept;
  exponent = shift;
  if (c.rest > 0 || (c.rest == 0 && (mantissa & 1))) {
    ++mantissa;
    if (bits == 64 ? mantissa == 0 : mantissa >> bits) {  // carried into a new top bit
      mantissa = bits == 64 ? 1ULL << 63 : mantissa >> 1;
      ++exponent;
    }
  }
}

// The time of day as a fraction of a day: ms * reciprocal rounded to 64 bits, then to 53.
double day_fraction(std::uint32_t ms) {
  std::uint64_t m64;
  int e64;
  round_significant(multiply(reciprocal_mantissa, ms), 64, m64, e64);
  std::uint64_t m53;
  int e53;
  round_significant(Wide{0, m64}, 53, m53, e53);
  return std::ldexp(static_cast<double>(m53), e64 + e53 + reciprocal_exponent);
}

// value * 86,400,000 rounded to a whole number of milliseconds, ties to even; exact.
std::optional<std::int64_t> total_milliseconds(double value) {
  if (!(value > -1e7 && value < 1e7)) return std::nullopt;  // NaN, infinities, far off
  const bool negative = value < 0;
  int exp;
  const double frac = std::frexp(std::fabs(value), &exp);  // |value| = frac * 2^exp
  const auto mant = static_cast<std::uint64_t>(std::ldexp(frac, 53));
  // |value| * ms_per_day = mant * ms_per_day * 2^(exp - 53); exp <= 24 here.
  const Wide product = multiply(mant, static_cast<std::uint32_t>(ms_per_day));
  const int shift = 53 - exp;
  std::int64_t whole;
  if (shift <= 0) {
    whole = static_cast<std::int64_t>(product.lo << -shift);
  } else if (shift >= 127) {
    whole = 0;
  } else {
    Cut c = cut_low_bits(product, shift);
    whole = static_cast<std::int64_t>(c.kept);
    if (c.rest > 0 || (c.rest == 0 && (whole & 1))) ++whole;
  }
  return negative ? -whole : whole;
}

}  // namespace

std::optional<double> dos_to_datetime(DosDateTime dos) {
  const int year = 1980 + (dos.date >> 9), month = (dos.date >> 5) & 15, day = dos.date & 31;
  const int hour = dos.time >> 11, minute = (dos.time >> 5) & 63, second = (dos.time & 31) * 2;
  if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const auto days = static_cast<double>(days_from_civil(year, static_cast<unsigned>(month),
                                                        static_cast<unsigned>(day)));
  const auto ms = static_cast<std::uint32_t>(hour * 3'600'000 + minute * 60'000 + second * 1000);
  // Both terms are doubles; the sum is one correctly rounded addition.
  volatile double sum = days + day_fraction(ms);
  return sum;
}

std::optional<CivilDateTime> split_datetime(double value) {
  const auto total = total_milliseconds(value);
  if (!total) return std::nullopt;
  // Days count towards zero from 1899-12-30 and the fraction is the time of that day, also
  // for dates before it (the sign belongs to the day, not to the time).
  const std::int64_t magnitude = *total < 0 ? -*total : *total;
  std::int64_t days = magnitude / ms_per_day;
  const std::int64_t ms = magnitude % ms_per_day;
  if (*total < 0) days = -days;
  CivilDateTime c;
  civil_from_days(days, c.year, c.month, c.day);
  if (c.year < 1 || c.year > 9999) return std::nullopt;
  c.hour = static_cast<int>(ms / 3'600'000);
  c.minute = static_cast<int>(ms / 60'000 % 60);
  c.second = static_cast<int>(ms / 1000 % 60);
  c.millisecond = static_cast<int>(ms % 1000);
  return c;
}

DosDateTime datetime_to_dos(double value) {
  const auto c = split_datetime(value);
  if (!c || c->year < 1980 || c->year > 2099) return {};
  DosDateTime dos;
  dos.date = static_cast<std::uint16_t>((c->year - 1980) << 9 | c->month << 5 | c->day);
  dos.time = static_cast<std::uint16_t>(c->hour << 11 | c->minute << 5 | c->second / 2);
  return dos;
}

std::optional<DosDateTime> dos_from_civil(const CivilDateTime& c) {
  if (c.year < 1980 || c.year > 2099 || c.month < 1 || c.month > 12 || c.day < 1 ||
      c.day > days_in_month(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 ||
      c.minute > 59 || c.second < 0 || c.second > 59 || c.second % 2 != 0 || c.millisecond != 0)
    return std::nullopt;
  DosDateTime dos;
  dos.date = static_cast<std::uint16_t>((c.year - 1980) << 9 | c.month << 5 | c.day);
  dos.time = static_cast<std::uint16_t>(c.hour << 11 | c.minute << 5 | c.second / 2);
  return dos;
}

bool survives_dos_round_trip(double value) {
  const auto back = dos_to_datetime(datetime_to_dos(value));
  return back && std::memcmp(&*back, &value, sizeof value) == 0;
}

// Digits by hand rather than through snprintf: this file is linked into Setup.exe, and the C
// library's printf engine would come with it.
static void append_digits(std::string& text, int value, int width) {
  char digits[12];
  int n = 0;
  unsigned rest = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do digits[n++] = static_cast<char>('0' + rest % 10); while ((rest /= 10) != 0);
  if (value < 0) {
    text += '-';
    --width;  // as with "%04d", the sign counts towards the width
  }
  for (int pad = n; pad < width; ++pad) text += '0';
  while (n) text += digits[--n];
}

std::string format_civil(const CivilDateTime& c) {
  std::string text;
  append_digits(text, c.year, 4);
  text += '-';
  append_digits(text, c.month, 2);
  text += '-';
  append_digits(text, c.day, 2);
  text += ' ';
  append_digits(text, c.hour, 2);
  text += ':';
  append_digits(text, c.minute, 2);
  text += ':';
  append_digits(text, c.second, 2);
  if (c.millisecond) {
    text += '.';
    append_digits(text, c.millisecond, 3);
  }
  return text;
}

std::optional<CivilDateTime> parse_civil(const std::string& text) {
  // Exactly "dddd-dd-dd dd:dd:dd".
  static constexpr char shape[] = "dddd-dd-dd dd:dd:dd";
  if (text.size() != sizeof shape - 1) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (shape[i] == 'd' ? !digit : text[i] != shape[i]) return std::nullopt;
  }
  auto num = [&](std::size_t at, std::size_t len) {
    int v = 0;
    for (std::size_t i = at; i < at + len; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  CivilDateTime c;
  c.year = num(0, 4);
  c.month = num(5, 2);
  c.day = num(8, 2);
  c.hour = num(11, 2);
  c.minute = num(14, 2);
  c.second = num(17, 2);
  return c;
}

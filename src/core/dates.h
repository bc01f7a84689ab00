// File dates. A DateTimeValue is a double: whole days since 1899-12-30 plus the fraction of the
// day, local time. Files carry DOS date-times (two-second steps). The installer logs a value and
// the uninstaller later computes one from the same file; only when both went through this one
// conversion do they agree bit for bit, so everything converts here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct DosDateTime {
  std::uint16_t date = 0;  // bits 9-15 year - 1980, 5-8 month, 0-4 day
  std::uint16_t time = 0;  // bits 11-15 hours, 5-10 minutes, 0-4 seconds / 2
  bool operator==(const DosDateTime&) const = default;
};

struct CivilDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  bool operator==(const CivilDateTime&) const = default;
};

// The value of a DOS date-time: the days plus the time of day in milliseconds times the
// reciprocal of a day's milliseconds held to 64 significant bits, rounded to a double, and the
// sum rounded once more. Computed in integers, so every compiler and FPU setting agrees.
// Empty for a date or time that does not exist (month 13, 25 o'clock, 31 February).
std::optional<double> dos_to_datetime(DosDateTime dos);

// The DOS date-time of a value: seconds halved and rounded down, milliseconds dropped. {0, 0}
// for a year outside 1980 to 2099 and for values that are no date at all (NaN, infinite).
DosDateTime datetime_to_dos(double value);

// The calendar fields of a value, rounded to whole milliseconds; empty outside years 1 to 9999.
std::optional<CivilDateTime> split_datetime(double value);

// The DOS date-time of calendar fields, or empty when they have none that stands for them
// exactly (a year outside 1980 to 2099, odd seconds, milliseconds, a day that does not exist).
std::optional<DosDateTime> dos_from_civil(const CivilDateTime& civil);

// True when value is exactly what its DOS date-time converts back to, so that files given this
// date are recognised as unchanged later.
bool survives_dos_round_trip(double value);

// "YYYY-MM-DD HH:MM:SS" for display.
std::string format_civil(const CivilDateTime& civil);

// Parses "YYYY-MM-DD HH:MM:SS" (fields checked only for their digits here).
std::optional<CivilDateTime> parse_civil(const std::string& text);

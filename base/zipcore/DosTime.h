// MS-DOS date and time as the zip headers store them: one 32-bit value, the date in the
// high 16 bits, the time in the low 16 bits, two-second resolution, years 1980 to 2107.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>

namespace zipcore {

struct DateTime {
    int year = 1980;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    auto operator<=>(const DateTime&) const = default;
};

constexpr int kDosMinYear = 1980;
constexpr int kDosMaxYear = 2107;

// Whether the fields form a real calendar time (any year).
bool IsValidDateTime(const DateTime& t);

// Decodes a DOS value; empty when a field is out of range (month 0, day 31 of April, ...).
std::optional<DateTime> DecodeDosTime(std::uint32_t dos);

// Encodes a time. Odd seconds round up to the next even second (carrying into the minute,
// day, ... as needed), so a file never looks newer than its stored copy. Years before 1980
// give 1980-01-01 00:00:00 and years after 2107 the last DOS second. Empty when the fields
// are not a valid time.
std::optional<std::uint32_t> EncodeDosTime(const DateTime& t);

// Days in a month of a year (Gregorian), 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

} // namespace zipcore

// Text functions of the member list: names, digit grouping, ratios and dates.
#pragma once

#include <cstdint>
#include <string>

namespace contents {

// The part after the last '/'; empty for a folder entry ("docs/").
std::string EntryFileName(const std::string& name);
// Everything up to and including the last '/'; empty without a slash.
std::string EntryFolder(const std::string& name);
// Groups the digits of a decimal number in threes with plain spaces: "1234567" gives
// "1 234 567"; a leading minus sign stays attached to the digits. Other text is returned
// unchanged.
std::string FormatThousands(const std::string& number);
std::string FormatThousands(std::int64_t number);
// Rounds to the nearest integer, a half going to the even neighbour.
std::int64_t RoundHalfEven(double value);
// The whole percentage saved by compression; 0 when the uncompressed size is 0. Negative
// when the member grew.
std::int64_t Ratio(std::uint64_t compressed, std::uint64_t uncompressed);

// A DOS date-time (time in the low word, date in the high word) split into its fields.
struct DosDateTime {
    int year, month, day, hour, minute, second;
};
// False when the value is not a calendar date and time.
bool DecodeDosDateTime(std::uint32_t value, DosDateTime& out);

// The user's short date and time (without seconds), as the member list shows them; empty
// when the locale cannot format it.
std::string FormatDateTime(const DosDateTime& d);
// The same for a DOS date-time; empty for one that is not a date.
std::string FormatDosDateTime(std::int32_t value);

} // namespace contents

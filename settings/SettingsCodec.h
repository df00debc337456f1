// The text forms of values in the settings file: booleans, integers and colours. Free of
// Windows headers so the rules are tested on their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// A colour as stored: an RGB value with red in the low byte, or, with the top bit set, the
// index of a system colour, drawn in whatever the system currently uses for it.
using Color = std::uint32_t;
inline constexpr Color kSystemColorBase = 0x80000000u;
inline constexpr Color clWindow = kSystemColorBase + 5;
inline constexpr Color clNone = 0x1FFFFFFFu;
inline constexpr Color clRed = 0x0000FFu;

// Decimal, or hexadecimal after "$" or "0x"/"0X", with an optional sign; hexadecimal takes
// all 32 bits ("$FFFFFFFF" is -1). Nothing for any other text or a value out of range.
std::optional<std::int32_t> ParseInteger(std::string_view text);
std::string FormatInteger(std::int32_t value);

// An integer; any value but 0 is true.
std::optional<bool> ParseBoolean(std::string_view text);
std::string FormatBoolean(bool value);

// The colour's name when it has one, otherwise "$" and eight upper-case hex digits.
std::string ColorToString(Color color);
// A name (any case) or an integer; nothing for any other text.
std::optional<Color> StringToColor(std::string_view text);
// The error a colour that is neither gives.
std::string InvalidColorMessage(std::string_view text);

bool IsSystemColor(Color color);
// The system colour index (the low byte) of a system colour.
int SystemColorIndex(Color color);

} // namespace settings

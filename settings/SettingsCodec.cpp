#include "settings/SettingsCodec.h"

#include <cstdio>

namespace settings {

namespace {

struct NamedColor {
    const char* name;
    Color value;
};

// Plain colours first, then the system colours in the order of their indexes.
constexpr NamedColor kColorNames[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clNone", clNone},
    {"clScrollBar", kSystemColorBase + 0},
    {"clBackground", kSystemColorBase + 1},
    {"clActiveCaption", kSystemColorBase + 2},
    {"clInactiveCaption", kSystemColorBase + 3},
    {"clMenu", kSystemColorBase + 4},
    {"clWindow", kSystemColorBase + 5},
    {"clWindowFrame", kSystemColorBase + 6},
    {"clMenuText", kSystemColorBase + 7},
    {"clWindowText", kSystemColorBase + 8},
    {"clCaptionText", kSystemColorBase + 9},
    {"clActiveBorder", kSystemColorBase + 10},
    {"clInactiveBorder", kSystemColorBase + 11},
    {"clAppWorkSpace", kSystemColorBase + 12},
    {"clHighlight", kSystemColorBase + 13},
    {"clHighlightText", kSystemColorBase + 14},
    {"clBtnFace", kSystemColorBase + 15},
    {"clBtnShadow", kSystemColorBase + 16},
    {"clGrayText", kSystemColorBase + 17},
    {"clBtnText", kSystemColorBase + 18},
    {"clInactiveCaptionText", kSystemColorBase + 19},
    {"clBtnHighlight", kSystemColorBase + 20},
    {"cl3DDkShadow", kSystemColorBase + 21},
    {"cl3DLight", kSystemColorBase + 22},
    {"clInfoText", kSystemColorBase + 23},
    {"clInfoBk", kSystemColorBase + 24},
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (!text.empty() && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    // Decimal stops at the signed range; hexadecimal may use every bit.
    const std::uint64_t limit =
        base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (char c : text) {
        int d = base == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (d < 0) return std::nullopt;
        value = value * base + static_cast<unsigned>(d);
        if (value > limit) return std::nullopt;
    }
    auto bits = static_cast<std::uint32_t>(value);
    if (negative) bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}

std::string FormatInteger(std::int32_t value) {
    return std::to_string(value);
}

std::optional<bool> ParseBoolean(std::string_view text) {
    if (std::optional<std::int32_t> v = ParseInteger(text)) return *v != 0;
    return std::nullopt;
}

std::string FormatBoolean(bool value) {
    return value ? "1" : "0";
}

std::string ColorToString(Color color) {
    for (const NamedColor& c : kColorNames)
        if (c.value == color) return c.name;
    char buf[12];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

std::optional<Color> StringToColor(std::string_view text) {
    for (const NamedColor& c : kColorNames)
        if (SameIgnoringCase(text, c.name)) return c.value;
    if (std::optional<std::int32_t> v = ParseInteger(text)) return static_cast<Color>(*v);
    return std::nullopt;
}

std::string InvalidColorMessage(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}

bool IsSystemColor(Color color) {
    return (color & kSystemColorBase) != 0;
}

int SystemColorIndex(Color color) {
    return static_cast<int>(color & 0xFF);
}

} // namespace settings

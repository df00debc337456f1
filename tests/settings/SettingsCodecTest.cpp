// The text forms of settings values, checked without any window or file.
#include "settings/SettingsCodec.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

using settings::Color;

TEST(SettingsCodec, IntegersInDecimalAndBothHexForms) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", 0},
        {"42", 42},
        {"00012", 12},
        {"-1", -1},
        {"+7", 7},
        {"$1F", 31},
        {"$ff", 255},
        {"0x10", 16},
        {"0X1f", 31},
        {"-$10", -16},
        {"$FFFFFFFF", -1}, // hexadecimal fills all 32 bits
        {"$80000005", INT_MIN + 5},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12a", std::nullopt},
        {"1.5", std::nullopt},
        {" 5", std::nullopt},
        {"$G1", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(settings::ParseInteger(c.text), c.value) << '"' << c.text << '"';
    for (std::int32_t v : {0, 1, -1, 800, INT_MAX, INT_MIN})
        EXPECT_EQ(settings::ParseInteger(settings::FormatInteger(v)), v);
    EXPECT_EQ(settings::FormatInteger(-1), "-1");
}

TEST(SettingsCodec, BooleansAreIntegersWhereOnlyZeroIsFalse) {
    const struct {
        const char* text;
        std::optional<bool> value;
    } cases[] = {
        {"1", true},           {"0", false},           {"2", true},
        {"-1", true},          {"$0", false},          {"0x0", false},
        {"yes", std::nullopt}, {"true", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(settings::ParseBoolean(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(settings::FormatBoolean(true), "1");
    EXPECT_EQ(settings::FormatBoolean(false), "0");
}

TEST(SettingsCodec, ColoursAreWrittenByNameOrAsEightHexDigits) {
    const struct {
        Color value;
        const char* text;
    } cases[] = {
        {0x0000FF, "clRed"},      {0xFFFFFF, "clWhite"},        {0x000000, "clBlack"},
        {0x800000, "clNavy"},     {0x1FFFFFFF, "clNone"},       {0x80000000, "clScrollBar"},
        {0x80000005, "clWindow"}, {0x80000015, "cl3DDkShadow"}, {0x80000018, "clInfoBk"},
        {0x123456, "$00123456"},  {0xABCDEF, "$00ABCDEF"},      {0x80000019, "$80000019"},
        {0x0000FE, "$000000FE"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settings::ColorToString(c.value), c.text);
        EXPECT_EQ(settings::StringToColor(c.text), c.value) << c.text;
    }
}

TEST(SettingsCodec, ColoursAreReadByNameInAnyCaseOrAsIntegers) {
    const struct {
        const char* text;
        std::optional<Color> value;
    } cases[] = {
        {"clwindow", settings::clWindow},
        {"CLRED", 0x0000FF},
        {"clInfoBk", 0x80000018},
        {"255", 255},
        {"-2147483643", settings::clWindow},
        {"$00123456", 0x123456},
        {"clBogus", std::nullopt},
        {"red", std::nullopt},
        {"", std::nullopt},
        {"cl Red", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(settings::StringToColor(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(settings::InvalidColorMessage("blue-ish"), "'blue-ish' is not a valid integer value");
}

TEST(SettingsCodec, EverySystemColourHasItsOwnNameThatReadsBack) {
    std::set<std::string> names;
    for (Color i = 0; i < 25; ++i) {
        const Color c = settings::kSystemColorBase + i;
        const std::string name = settings::ColorToString(c);
        EXPECT_EQ(name.rfind("cl", 0), 0u) << name;
        EXPECT_EQ(settings::StringToColor(name), c) << name;
        EXPECT_TRUE(settings::IsSystemColor(c));
        EXPECT_EQ(settings::SystemColorIndex(c), static_cast<int>(i));
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 25u);
    EXPECT_FALSE(settings::IsSystemColor(0xFFFFFF));
    EXPECT_FALSE(settings::IsSystemColor(settings::clNone));
}

} // namespace

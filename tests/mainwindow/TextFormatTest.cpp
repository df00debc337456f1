// The list's text functions: names, digit grouping, ratios and DOS dates.
#include "mainwindow/TextFormat.h"

#include <gtest/gtest.h>

using namespace contents;

TEST(TextFormat, EntryFileNameAndFolderSplitAtTheLastSlash) {
    EXPECT_EQ(EntryFileName("docs/img/a.gif"), "a.gif");
    EXPECT_EQ(EntryFolder("docs/img/a.gif"), "docs/img/");
    EXPECT_EQ(EntryFileName("plain.txt"), "plain.txt");
    EXPECT_EQ(EntryFolder("plain.txt"), "");
    EXPECT_EQ(EntryFileName("docs/"), "");
    EXPECT_EQ(EntryFolder("docs/"), "docs/");
    EXPECT_EQ(EntryFolder("back\\slash/x"), "back\\slash/");
}

TEST(TextFormat, FormatThousandsGroupsDigitsInThrees) {
    const std::pair<const char*, const char*> table[] = {
        {"0", "0"},
        {"123", "123"},
        {"1234", "1 234"},
        {"123456", "123 456"},
        {"1234567", "1 234 567"},
        {"12345678", "12 345 678"},
        {"2147483647", "2 147 483 647"},
        {"-1234", "-1 234"},
        // Past the four groups of the old table, and the sign stays with its digits.
        {"3000000000", "3 000 000 000"},
        {"18446744073709551615", "18 446 744 073 709 551 615"},
        {"-123", "-123"},
        {"-123456", "-123 456"},
        {"", ""},
    };
    for (auto& [in, out] : table)
        EXPECT_EQ(FormatThousands(std::string(in)), out) << in;
    EXPECT_EQ(FormatThousands(std::int64_t{-9876543210}), "-9 876 543 210");
}

TEST(TextFormat, RatioRoundsHalfToEvenAndMayBeNegative) {
    EXPECT_EQ(RoundHalfEven(12.5), 12);
    EXPECT_EQ(RoundHalfEven(13.5), 14);
    EXPECT_EQ(RoundHalfEven(-20.5), -20);
    EXPECT_EQ(Ratio(875, 1000), 12);   // 12.5 %
    EXPECT_EQ(Ratio(865, 1000), 14);   // 13.5 %
    EXPECT_EQ(Ratio(1200, 1000), -20); // grew by a fifth
    EXPECT_EQ(Ratio(0, 0), 0);
    EXPECT_EQ(Ratio(5, 0), 0);
    EXPECT_EQ(Ratio(0, 100), 100);
    // Sizes past 2 GiB stay positive and exact.
    EXPECT_EQ(Ratio(1500000000u, 3000000000u), 50);
}

TEST(TextFormat, DosDateTimeDecodesAndRejectsNonDates) {
    DosDateTime d{};
    // 2025-04-12 12:34:56
    std::uint32_t v = ((2025 - 1980) << 25) | (4 << 21) | (12 << 16) | (12 << 11) | (34 << 5) | 28;
    ASSERT_TRUE(DecodeDosDateTime(v, d));
    EXPECT_EQ(d.year, 2025);
    EXPECT_EQ(d.month, 4);
    EXPECT_EQ(d.day, 12);
    EXPECT_EQ(d.hour, 12);
    EXPECT_EQ(d.minute, 34);
    EXPECT_EQ(d.second, 56);
    EXPECT_FALSE(DecodeDosDateTime(0, d)); // month 0
    std::uint32_t feb30 = ((2001 - 1980) << 25) | (2 << 21) | (30 << 16);
    EXPECT_FALSE(DecodeDosDateTime(feb30, d));
    std::uint32_t feb29leap = ((2000 - 1980) << 25) | (2 << 21) | (29 << 16);
    EXPECT_TRUE(DecodeDosDateTime(feb29leap, d));
    std::uint32_t hour25 = ((2000 - 1980) << 25) | (1 << 21) | (1 << 16) | (25 << 11);
    EXPECT_FALSE(DecodeDosDateTime(hour25, d));
}

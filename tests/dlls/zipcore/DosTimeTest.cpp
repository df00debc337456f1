#include "base/zipcore/DosTime.h"

#include <gtest/gtest.h>

using zipcore::DateTime;
using zipcore::DecodeDosTime;
using zipcore::EncodeDosTime;

TEST(DosTime, DecodesTheFieldsOfAKnownValue) {
    // 2025-04-12 12:00:00 as written by zip tools.
    auto t = DecodeDosTime(0x5A8C6000);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, (DateTime{2025, 4, 12, 12, 0, 0}));
    auto odd =
        DecodeDosTime((static_cast<std::uint32_t>(((1999 - 1980) << 9) | (12 << 5) | 31) << 16) |
                      (23 << 11) | (59 << 5) | 29);
    ASSERT_TRUE(odd.has_value());
    EXPECT_EQ(*odd, (DateTime{1999, 12, 31, 23, 59, 58}));
}

TEST(DosTime, RejectsImpossibleFields) {
    EXPECT_FALSE(DecodeDosTime(0).has_value()); // month 0, day 0
    const auto pack = [](int y, int mo, int d, int h, int mi, int s2) {
        return (static_cast<std::uint32_t>(((y - 1980) << 9) | (mo << 5) | d) << 16) |
               static_cast<std::uint32_t>((h << 11) | (mi << 5) | s2);
    };
    EXPECT_FALSE(DecodeDosTime(pack(2001, 2, 29, 0, 0, 0)).has_value());
    EXPECT_TRUE(DecodeDosTime(pack(2000, 2, 29, 0, 0, 0)).has_value());
    EXPECT_FALSE(DecodeDosTime(pack(2001, 4, 31, 0, 0, 0)).has_value());
    EXPECT_FALSE(DecodeDosTime(pack(2001, 13, 1, 0, 0, 0)).has_value());
    EXPECT_FALSE(DecodeDosTime(pack(2001, 1, 1, 24, 0, 0)).has_value());
    EXPECT_FALSE(DecodeDosTime(pack(2001, 1, 1, 0, 60, 0)).has_value());
    EXPECT_FALSE(DecodeDosTime(pack(2001, 1, 1, 0, 0, 30)).has_value());
    EXPECT_FALSE(EncodeDosTime(DateTime{2001, 2, 29, 0, 0, 0}).has_value());
    EXPECT_FALSE(EncodeDosTime(DateTime{2001, 1, 1, 0, 0, 60}).has_value());
}

TEST(DosTime, EncodingRoundTripsEvenSeconds) {
    for (DateTime t : {DateTime{1980, 1, 1, 0, 0, 0}, DateTime{2024, 2, 29, 13, 37, 42},
                       DateTime{2107, 12, 31, 23, 59, 58}}) {
        auto dos = EncodeDosTime(t);
        ASSERT_TRUE(dos.has_value());
        EXPECT_EQ(DecodeDosTime(*dos), t);
    }
    EXPECT_EQ(EncodeDosTime(DateTime{2025, 4, 12, 12, 0, 0}), 0x5A8C6000u);
}

TEST(DosTime, OddSecondsRoundUpWithCarry) {
    auto check = [](DateTime in, DateTime expected) {
        auto dos = EncodeDosTime(in);
        ASSERT_TRUE(dos.has_value());
        EXPECT_EQ(DecodeDosTime(*dos), expected);
    };
    check({2020, 5, 5, 10, 10, 11}, {2020, 5, 5, 10, 10, 12});
    check({2020, 5, 5, 10, 10, 59}, {2020, 5, 5, 10, 11, 0});
    check({2020, 12, 31, 23, 59, 59}, {2021, 1, 1, 0, 0, 0});
    check({2024, 2, 28, 23, 59, 59}, {2024, 2, 29, 0, 0, 0});
    check({2023, 2, 28, 23, 59, 59}, {2023, 3, 1, 0, 0, 0});
}

TEST(DosTime, YearsOutsideTheDosRangeClamp) {
    EXPECT_EQ(DecodeDosTime(*EncodeDosTime(DateTime{1970, 6, 1, 5, 5, 5})),
              (DateTime{1980, 1, 1, 0, 0, 0}));
    EXPECT_EQ(DecodeDosTime(*EncodeDosTime(DateTime{2200, 6, 1, 5, 5, 4})),
              (DateTime{2107, 12, 31, 23, 59, 58}));
    EXPECT_EQ(DecodeDosTime(*EncodeDosTime(DateTime{2107, 12, 31, 23, 59, 59})),
              (DateTime{2107, 12, 31, 23, 59, 58}));
}

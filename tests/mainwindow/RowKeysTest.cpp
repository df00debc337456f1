// Row keys and the sorts that work on them, without any window.
#include "mainwindow/RowKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace contents;

namespace {

std::vector<std::string> Names(const std::vector<std::string>& rows) {
    std::vector<std::string> n;
    for (auto& r : rows)
        n.emplace_back(RowKeyName(r));
    return n;
}

TEST(RowKeys, RoundTripEvenWithMarkerTextsInTheName) {
    std::string key = MakeRowKey("odd@1name@2with@3markers.txt", -5, 3000000000u, 4000000000u);
    RowFields f;
    ASSERT_TRUE(ParseRowKey(key, f));
    EXPECT_EQ(f.name, "odd@1name@2with@3markers.txt");
    EXPECT_EQ(f.dateTime, -5);
    EXPECT_EQ(f.compressed, 3000000000u);
    EXPECT_EQ(f.uncompressed, 4000000000u);
    EXPECT_EQ(RowKeyName(key), "odd@1name@2with@3markers.txt");

    RowFields bad;
    EXPECT_FALSE(ParseRowKey("no separator", bad));
    EXPECT_FALSE(ParseRowKey(std::string("x\0@1a@2b@3c", 11), bad));
}

TEST(RowKeys, NameSortUsesTheLocaleIgnoringCaseOverTheFullName) {
    std::vector<std::string> rows;
    for (const char* n : {"b.txt", "A.txt", "docs/z.txt", "Docs/a.txt", "a.txt", "c"})
        rows.push_back(MakeRowKey(n, 0, 1, 1));
    SortRowsByName(rows, LocaleCompareNames);
    auto n = Names(rows);
    // a.txt and A.txt compare equal; the sort is not stable, so only check the groups.
    ASSERT_EQ(n.size(), 6u);
    EXPECT_TRUE((n[0] == "a.txt" && n[1] == "A.txt") || (n[0] == "A.txt" && n[1] == "a.txt"));
    EXPECT_EQ(n[2], "b.txt");
    EXPECT_EQ(n[3], "c");
    EXPECT_EQ(n[4], "Docs/a.txt");
    EXPECT_EQ(n[5], "docs/z.txt");
    EXPECT_LT(LocaleCompareNames("apple", "Banana"), 0);
    EXPECT_GT(LocaleCompareNames("b", "A"), 0);
    EXPECT_EQ(LocaleCompareNames("ABC", "abc"), 0);
}

TEST(RowKeys, FastNameSortAgreesWithTheLocaleComparison) {
    const char* names[] = {"b.txt",         "A.txt",   "docs/z.txt", "Docs/a.txt", "a-b.txt",
                           "ab.txt",        "a_b.txt", "A B.txt",    "10.txt",     "9.txt",
                           "\xe9t\xe9.doc", "ete.doc", "Zulu",       "zulu/",      "co-op",
                           "coop",          "~tmp",    "{x}",        "a.txt",      ""};
    std::vector<std::string> rows;
    for (int round = 0; round < 3; ++round)
        for (const char* n : names)
            rows.push_back(MakeRowKey(n, round, 1, 1));
    SortRowsByLocaleName(rows);
    ASSERT_EQ(rows.size(), 3 * std::size(names));
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(LocaleCompareNames(RowKeyName(rows[i - 1]), RowKeyName(rows[i])), 0)
            << RowKeyName(rows[i - 1]) << " before " << RowKeyName(rows[i]);
}

TEST(RowKeys, LongListsSortOnSeveralThreadsToTheSameOrderAsOne) {
    // Long enough to be shared out among threads. Names equal but for case compare equal,
    // so where each lands shows whether the partitions were the same as on one thread.
    std::vector<std::string> rows;
    for (int i = 0; i < 12000; ++i) {
        const int n = (i * 7919) % 6000; // each name twice, in a scrambled order
        std::string name = "dir" + std::to_string(n % 37) + "/" + (i % 2 ? "File" : "fILE") +
                           std::to_string(n) + ".txt";
        rows.push_back(MakeRowKey(name, i, 1, 1));
    }
    std::vector<std::string> threaded = rows;
    SortRowsByLocaleName(threaded);
    SortRowsByName(rows, LocaleCompareNames);
    ASSERT_EQ(threaded.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(threaded[i], rows[i]) << i;
}

TEST(RowKeys, NamesWithALongSharedBeginningSortAsByComparison) {
    // Every name begins with the same folders; they differ within, past and before the next
    // eight characters, and one is exactly the shared beginning.
    const std::string base = "project/source/library/";
    const char* tails[] = {"",          "a",        "ab",          "abcdefgh",    "abcdefghi",
                           "abcdefgh-", "abcdefgi", "b/c/d.txt",   "B.txt",       "z",
                           "readme",    "read",     "ReadMeFirst", "zz/zz/zz/zz", "0"};
    std::vector<std::string> rows;
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < std::size(tails); ++i) {
            const size_t k = (i * 7 + static_cast<size_t>(round) * 3) % std::size(tails);
            rows.push_back(MakeRowKey(base + tails[k] + (round ? "/x" : ""), 0, 1, 1));
        }
    std::vector<std::string> byKeys = rows;
    SortRowsByLocaleName(byKeys);
    SortRowsByName(rows, LocaleCompareNames);
    EXPECT_EQ(byKeys, rows);
}

TEST(RowKeys, RowsMadeWhileSortingComeOutAsMadeThenSorted) {
    const auto make = [](size_t i) {
        const size_t n = (i * 7919) % 5003;
        return MakeRowKey("d" + std::to_string(n % 11) + (i % 2 ? "/Name" : "/nAME") +
                              std::to_string(n) + ".txt",
                          static_cast<std::int32_t>(i), i, 2 * i);
    };
    for (const size_t count : {size_t(0), size_t(1), size_t(7), size_t(10000)}) {
        std::vector<std::string> expected;
        for (size_t i = 0; i < count; ++i)
            expected.push_back(make(i));
        SortRowsByLocaleName(expected);
        std::vector<std::string> rows = {"left over from before"};
        MakeSortedRowKeys(rows, count, make);
        EXPECT_EQ(rows, expected) << count << " rows";
    }
}

TEST(RowKeys, SharedOutWorkVisitsEveryIndexOnceAndPassesOnWhatItThrew) {
    for (const size_t count : {size_t(0), size_t(5), size_t(10000)}) {
        std::vector<int> visits(count);
        ForEachIndex(count, [&](size_t i) { ++visits[i]; });
        EXPECT_EQ(std::count(visits.begin(), visits.end(), 1), static_cast<long>(count));
    }
    // Near the end, so on another thread wherever there are several processors.
    EXPECT_THROW(ForEachIndex(10000,
                              [](size_t i) {
                                  if (i == 9000) throw std::runtime_error("row 9000");
                              }),
                 std::runtime_error);
}

TEST(RowKeys, OnlyWellFormedNumberPartsParse) {
    using namespace std::string_literals;
    const struct {
        std::string key;
        bool ok;
    } cases[] = {
        {"a\0@1-5@20@37"s, true},
        {"a\0@11@22@33\0shown"s, true},
        {"a\0@11@22@3"s, false},           // a number missing
        {"a\0@1@22@33"s, false},           // another
        {"a\0@11@33@22"s, false},          // markers out of order
        {"a\0@11@22@33x"s, false},         // text after the last number
        {"a\0@1 1@22@33"s, false},         // not a bare number
        {"a\0@12147483648@22@33"s, false}, // a date-time beyond 32 bits
        {"a\0@11@2-2@33"s, false},         // a negative size
        {"a\0@11@22"s, false},             // the size missing
        {"a\0x@11@22@33"s, false},         // something before the first marker
    };
    for (const auto& c : cases) {
        RowView view;
        EXPECT_EQ(ParseRowKey(std::string_view(c.key), view), c.ok) << c.key;
        RowFields fields;
        EXPECT_EQ(ParseRowKey(c.key, fields), c.ok) << c.key;
    }
    const std::string key = "n\0@1-5@22@37\0sh\xC3\xB6wn"s; // the views point into it
    RowView view;
    ASSERT_TRUE(ParseRowKey(std::string_view(key), view));
    EXPECT_EQ(view.name, "n");
    EXPECT_EQ(view.shown, "sh\xC3\xB6wn");
    EXPECT_EQ(view.dateTime, -5);
    EXPECT_EQ(view.compressed, 2u);
    EXPECT_EQ(view.uncompressed, 7u);
}

TEST(RowKeys, ShownNameIsTheCarriedOneOrTheStoredOneTakenAsAnsi) {
    // The test prefix's ANSI code page is 1252: 0xE9 is e acute.
    const struct {
        std::string key;
        std::string shown;
        bool converted; // made in the scratch buffer rather than found in the key
    } cases[] = {
        {MakeRowKey("dir/plain.txt", 1, 2, 3), "dir/plain.txt", false},
        {MakeRowKey("caf\xE9.txt", 1, 2, 3), "caf\xC3\xA9.txt", true},
        {MakeRowKey("caf\x82.txt", 1, 2, 3, "caf\xC3\xA9.txt"), "caf\xC3\xA9.txt", false},
        {"no numbers at all", "no numbers at all", false},
    };
    for (const auto& c : cases) {
        std::string scratch;
        const std::string_view shown = RowKeyShownName(c.key, scratch);
        EXPECT_EQ(shown, c.shown) << c.key;
        EXPECT_EQ(shown.data() == scratch.data(), c.converted) << c.key;
        EXPECT_EQ(RowKeyDisplayName(c.key), c.shown) << c.key;
        RowView parsed; // the same from a parsed key, where the key has its numbers
        std::string parsedScratch;
        if (ParseRowKey(std::string_view(c.key), parsed)) {
            EXPECT_EQ(RowKeyShownName(parsed, parsedScratch), c.shown) << c.key;
        }
    }
}

TEST(RowKeys, NumericSortsOrderByTheChosenField) {
    std::vector<std::string> rows = {MakeRowKey("a", 300, 50, 900), MakeRowKey("b", 100, 10, 20),
                                     MakeRowKey("c", 200, 3000000000u, 5000000000u),
                                     MakeRowKey("d", -7, 0, 0)};
    std::vector<std::string> keys;
    EXPECT_EQ(ExtractSortKeys(rows, "@3", keys), "Size");
    EXPECT_EQ(keys, (std::vector<std::string>{"900", "20", "5000000000", "0"}));
    SortRowsByKey(keys, rows, 0, 3);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"d", "b", "a", "c"}));

    EXPECT_EQ(ExtractSortKeys(rows, "@1", keys), "Date");
    SortRowsByKey(keys, rows, 0, 3);
    // A DOS date-time with the top bit set is a year from 2044 on: the latest, not the first.
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"b", "c", "a", "d"}));

    EXPECT_EQ(ExtractSortKeys(rows, "@2", keys), "UncopressedSize");
    SortRowsByKey(keys, rows, 0, 3);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"d", "b", "a", "c"}));
    EXPECT_EQ(keys, (std::vector<std::string>{"0", "10", "50", "3000000000"}));

    // Ratio: a 94 %, b 50 %, c 40 %, d (size 0) 0.
    EXPECT_EQ(ExtractSortKeys(rows, "ratio", keys), "ratio");
    SortRowsByKey(keys, rows, 0, 3);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"d", "c", "b", "a"}));
    EXPECT_EQ(keys.front(), "0");

    EXPECT_EQ(ExtractSortKeys(rows, "bogus", keys), "");
}

TEST(RowKeys, QuickSortHandlesLargeAndDegenerateInputs) {
    std::vector<std::string> rows, keys;
    // Many equal keys, already sorted and reversed runs: the classic quicksort traps.
    for (int i = 0; i < 30000; ++i) {
        int v = i < 10000 ? 5 : (i < 20000 ? i : 40000 - i);
        std::string name = "n";
        name += std::to_string(i);
        rows.push_back(MakeRowKey(name, 0, 0, v));
    }
    ExtractSortKeys(rows, "@3", keys);
    SortRowsByKey(keys, rows, 0, static_cast<int>(keys.size()) - 1);
    for (size_t i = 1; i < keys.size(); ++i)
        ASSERT_LE(std::stoll(keys[i - 1]), std::stoll(keys[i])) << i;
    // Rows moved with their keys.
    for (size_t i = 0; i < rows.size(); ++i) {
        RowFields f;
        ASSERT_TRUE(ParseRowKey(rows[i], f));
        ASSERT_EQ(std::to_string(f.uncompressed), keys[i]);
    }
    std::vector<std::string> empty, emptyKeys;
    SortRowsByKey(emptyKeys, empty, 0, -1);
    SortRowsByName(empty, LocaleCompareNames);
    EXPECT_TRUE(empty.empty());
}

TEST(RowKeys, ReverseTurnsTheOrderAround) {
    std::vector<std::string> rows = {"a", "b", "c", "d", "e"};
    ReverseRowList(rows);
    EXPECT_EQ(rows, (std::vector<std::string>{"e", "d", "c", "b", "a"}));
    std::vector<std::string> none;
    ReverseRowList(none);
    EXPECT_TRUE(none.empty());
}

} // namespace

// The member list's rows made from row keys alone, with a recording icon lookup in place of
// the shell's.
#include "mainwindow/ContentsRows.h"
#include "mainwindow/RowKeys.h"
#include "mainwindow/TextFormat.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// The digits, separators and date texts are ASCII in the test's locale.
std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

struct Member {
    std::string stored;
    std::string shownUtf8 = {}; // empty: the stored name is shown
    std::uint64_t compressed = 10;
    std::uint64_t uncompressed = 40;
};

class ContentsRowsTest : public ::testing::Test {
protected:
    std::vector<std::string> Keys(const std::vector<Member>& members) {
        std::vector<std::string> keys;
        for (const Member& m : members)
            keys.push_back(
                contents::MakeRowKey(m.stored, kDate, m.compressed, m.uncompressed, m.shownUtf8));
        return keys;
    }
    static constexpr std::int32_t kDate = 0x5A8C6000;
    // As the shell does by name alone: the icon follows the extension (here: its length),
    // counted per question; ".none" has none.
    std::map<std::string, int> asked;
    contents::ContentsRows rows{[this](std::string_view shown) {
        const std::string name(shown);
        const size_t dot = name.rfind('.');
        std::string ext = dot == std::string::npos ? "" : name.substr(dot);
        if (ext.find_first_of("\\/") != std::string::npos) ext.clear();
        ++asked[ext];
        return ext == ".none" ? -1 : static_cast<int>(ext.size());
    }};
};

TEST_F(ContentsRowsTest, EachListedMemberBecomesOneRowInKeyOrder) {
    struct Case {
        Member member;
        bool listed;
        std::wstring caption = {}, folder = {};
        int icon = 0;
    };
    const Case cases[] = {
        {{"readme.txt"}, true, L"readme.txt", L"", 4},
        {{"docs/"}, false}, // a folder entry
        {{"docs/guide.TXT"}, true, L"guide.TXT", L"docs/", 4},
        {{"docs/deep/a.b.html"}, true, L"a.b.html", L"docs/deep/", 5},
        {{"docs/picture.none"}, false},                          // no icon
        {{"name.dir\\plain"}, true, L"name.dir\\plain", L"", 0}, // no extension behind a '\'
        {{"stored-bytes.txt", "caf\xC3\xA9/men\xC3\xBC.txt"},
         true,
         L"men\u00FC.txt",
         L"caf\u00E9/",
         4},
        {{"docs/guide.TXT"}, true, L"guide.TXT", L"docs/", 4}, // the same folder text again
    };
    std::vector<Member> members;
    for (const Case& c : cases)
        members.push_back(c.member);
    const std::vector<std::string> keys = Keys(members);
    rows.Build(keys);
    size_t at = 0;
    for (const Case& c : cases) {
        if (!c.listed) continue;
        ASSERT_LT(at, rows.Rows().size()) << c.member.stored;
        const contents::ContentsRow& row = rows.Rows()[at];
        EXPECT_EQ(row.StoredName, c.member.stored);
        EXPECT_EQ(row.Caption, c.caption) << c.member.stored;
        EXPECT_EQ(row.ImageIndex, c.icon) << c.member.stored;
        EXPECT_EQ(rows.ColumnText(static_cast<int>(at), 5), c.folder) << c.member.stored;
        EXPECT_EQ(rows.ShownName(static_cast<int>(at)), c.folder + c.caption);
        ++at;
    }
    EXPECT_EQ(at, rows.Rows().size());
    EXPECT_EQ(asked[".txt"], 1) << "one question per extension, letter case aside";
    EXPECT_EQ(rows.Rows()[1].Folder, rows.Rows()[5].Folder) << "one text per folder";
}

TEST_F(ContentsRowsTest, ColumnsShowTheNumbersOfTheirRow) {
    rows.Build(Keys({{"big.bin", "", 1234567, 9876543}, {"empty.bin", "", 0, 0}}));
    ASSERT_EQ(rows.Rows().size(), 2u);
    struct Case {
        int row, column;
        std::wstring text;
    } cases[] = {
        {0, 0, L"big.bin"},
        {0, 1, Wide(contents::FormatThousands(std::to_string(9876543)))},
        {0, 3, std::to_wstring(contents::Ratio(1234567, 9876543)) + L"%"},
        {0, 4, Wide(contents::FormatThousands(std::to_string(1234567)))},
        {1, 1, L"0"},
        {1, 3, std::to_wstring(contents::Ratio(0, 0)) + L"%"},
        {2, 0, L""}, // no such row
        {-1, 1, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows.ColumnText(c.row, c.column), c.text) << c.row << "," << c.column;
    EXPECT_EQ(rows.ColumnText(0, 2), Wide(contents::FormatDosDateTime(kDate)));
}

TEST_F(ContentsRowsTest, KeysThatDoNotConvertAreLeftOutAndBuildingAgainStartsAfresh) {
    std::vector<std::string> keys = Keys({{"a.txt"}, {"b.txt"}});
    keys.insert(keys.begin() + 1, "not a row key");
    rows.Build(keys);
    ASSERT_EQ(rows.Rows().size(), 2u);
    EXPECT_EQ(rows.Rows()[1].StoredName, "b.txt");
    rows.Build(Keys({{"c.txt"}}));
    ASSERT_EQ(rows.Rows().size(), 1u);
    EXPECT_EQ(rows.Rows()[0].StoredName, "c.txt");
    EXPECT_EQ(asked[".txt"], 2) << "the icons are asked for again with every list";
    rows.Clear();
    EXPECT_TRUE(rows.Rows().empty());
}

} // namespace

TEST_F(ContentsRowsTest, ALongListSharedOutAmongThreadsKeepsEveryRowInPlace) {
    // Long enough to be parsed on several threads; every fifth member is one that is left out,
    // so rows made on one thread move past the gaps the others left.
    std::vector<Member> members;
    for (int i = 0; i < 10000; ++i) {
        std::string name = "f";
        name += std::to_string(i / 100);
        name += "/m";
        name += std::to_string(i);
        name += i % 5 == 1 ? ".none" : (i % 5 == 3 ? "/" : ".dat");
        members.push_back({name, {}, 1, static_cast<std::uint64_t>(i)});
    }
    rows.Build(Keys(members));
    std::vector<std::string> expected;
    for (const Member& m : members)
        if (m.stored.ends_with(".dat")) expected.push_back(m.stored);
    ASSERT_EQ(rows.Rows().size(), expected.size());
    for (size_t r = 0; r < expected.size(); ++r) {
        const contents::ContentsRow& row = rows.Rows()[r];
        ASSERT_EQ(row.StoredName, expected[r]) << r;
        EXPECT_EQ(rows.ShownName(static_cast<int>(r)), Wide(expected[r])) << r;
        EXPECT_EQ(row.ImageIndex, 4) << r;
    }
    // Asked once per extension, as before.
    EXPECT_EQ(asked[".dat"], 1);
    EXPECT_EQ(asked[".none"], 1);
}

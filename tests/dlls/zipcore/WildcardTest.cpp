#include "base/zipcore/Wildcard.h"

#include <gtest/gtest.h>

using zipcore::MatchMask;
using zipcore::NameSelector;

TEST(MatchMask, StarAndQuestionMarkFollowWindowsRules) {
    EXPECT_TRUE(MatchMask("*.*", "readme.txt"));
    EXPECT_TRUE(MatchMask("*.*", "README"));
    EXPECT_TRUE(MatchMask("*", "a.b.c"));
    EXPECT_TRUE(MatchMask("*.txt", "NOTES.TXT"));
    EXPECT_FALSE(MatchMask("*.txt", "notes.txt.bak"));
    EXPECT_TRUE(MatchMask("a?c", "abc"));
    EXPECT_FALSE(MatchMask("a?c", "ac"));
    EXPECT_TRUE(MatchMask("read*.*", "readme"));
    EXPECT_TRUE(MatchMask("data.*", "data"));
    EXPECT_FALSE(MatchMask("data.*", "database"));
    EXPECT_TRUE(MatchMask("*a*b*c*", "xxaxxbxxcxx"));
    EXPECT_FALSE(MatchMask("*a*b*c*", "xxaxxcxxbxx"));
    EXPECT_TRUE(MatchMask("", ""));
    EXPECT_FALSE(MatchMask("", "a"));
    EXPECT_FALSE(MatchMask("abc", "abcd"));
}

TEST(MatchMask, QuestionMarkStandsForOneLetterOfAUtf8Name) {
    EXPECT_TRUE(MatchMask("caf?.txt", "caf\xC3\xA9.txt"));
    EXPECT_TRUE(MatchMask("???.txt", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"));
    EXPECT_FALSE(MatchMask("??.txt", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"));
    EXPECT_TRUE(MatchMask("?.txt", "\xF0\x9F\x98\x80.txt")) << "a letter beyond 16 bits";
    EXPECT_TRUE(MatchMask("*?.txt", "\xF0\x9F\x98\x80.txt"));
    EXPECT_TRUE(MatchMask("*\xC3\xA9*", "r\xC3\xA9sum\xC3\xA9.txt"));
    EXPECT_TRUE(MatchMask("caf?.txt", "caf\xC3.txt")) << "no UTF-8 sequence: a byte";
}

TEST(MatchMask, LongPathologicalMaskStaysLinearEnough) {
    const std::string name(5000, 'a');
    const std::string mask = std::string(50, '*') + "b";
    EXPECT_FALSE(MatchMask(mask, name));
    EXPECT_TRUE(MatchMask(std::string(50, '*') + "a", name));
}

TEST(NameSelector, EmptyListOrStarDotStarSelectsEverything) {
    for (const auto& specs : {std::vector<std::string>{}, std::vector<std::string>{"*.*"},
                              std::vector<std::string>{"*"}}) {
        NameSelector sel(specs);
        EXPECT_TRUE(sel.Selects("a.txt"));
        EXPECT_TRUE(sel.Selects("deep/down/README"));
        EXPECT_TRUE(sel.Selects("folder/"));
    }
}

TEST(NameSelector, ExactNamesMatchWholePathsCaseInsensitively) {
    NameSelector sel({"docs/sub/a.txt", "Top.TXT", "folder"});
    EXPECT_TRUE(sel.Selects("DOCS/SUB/A.TXT"));
    EXPECT_TRUE(sel.Selects("docs\\sub\\a.txt"));
    EXPECT_TRUE(sel.Selects("top.txt"));
    EXPECT_FALSE(sel.Selects("x/top.txt"));
    EXPECT_FALSE(sel.Selects("docs/sub/a.txt.bak"));
    EXPECT_TRUE(sel.Selects("folder/"));
    EXPECT_FALSE(sel.Selects("folder/inside.txt"));
}

TEST(NameSelector, TrailingSlashSelectsAFolderTree) {
    NameSelector sel({"docs/"});
    EXPECT_TRUE(sel.Selects("docs/"));
    EXPECT_TRUE(sel.Selects("docs/a/b.txt"));
    EXPECT_FALSE(sel.Selects("docs2/a.txt"));
    EXPECT_FALSE(sel.Selects("x/docs/a.txt"));
}

TEST(NameSelector, BareMaskMatchesFileNamesAtAnyDepth) {
    NameSelector sel({"*.txt"});
    EXPECT_TRUE(sel.Selects("a.txt"));
    EXPECT_TRUE(sel.Selects("x/y/z.TXT"));
    EXPECT_FALSE(sel.Selects("txt.dir/readme"));
    EXPECT_FALSE(sel.Selects("a.txt/b.doc"));
}

TEST(NameSelector, MaskWithFolderAnchorsAtTheRootAndCoversSubfolders) {
    NameSelector sel({"docs/*.txt"});
    EXPECT_TRUE(sel.Selects("docs/a.txt"));
    EXPECT_TRUE(sel.Selects("docs/deeper/b.txt"));
    EXPECT_FALSE(sel.Selects("a.txt"));
    EXPECT_FALSE(sel.Selects("other/docs/a.txt"));
    EXPECT_FALSE(sel.Selects("docs/a.doc"));

    NameSelector wild({"s?c/*/*.h"});
    EXPECT_TRUE(wild.Selects("src/lib/x.h"));
    EXPECT_TRUE(wild.Selects("SRC/lib/more/x.h"));
    EXPECT_FALSE(wild.Selects("src/x.h"));
}

TEST(NameSelector, MarksEveryEntryThatSelectsAMember) {
    NameSelector sel({"a.txt", "*.doc", "*.txt", "missing.bin"});
    std::vector<bool> used(4, false);
    EXPECT_TRUE(sel.Selects("a.txt", &used));
    EXPECT_FALSE(sel.Selects("b.bin", &used));
    EXPECT_TRUE(sel.Selects("dir/c.doc", &used));
    EXPECT_EQ(used, (std::vector<bool>{true, true, true, false}));
}

TEST(NameSelector, ManyExactNamesStayCorrect) {
    std::vector<std::string> specs;
    for (int i = 0; i < 4000; ++i)
        specs.push_back("dir/file" + std::to_string(i) + ".dat");
    NameSelector sel(specs);
    EXPECT_TRUE(sel.Selects("dir/file0.dat"));
    EXPECT_TRUE(sel.Selects("DIR/FILE3999.DAT"));
    EXPECT_FALSE(sel.Selects("dir/file4000.dat"));
    EXPECT_FALSE(sel.SelectsAll());
}

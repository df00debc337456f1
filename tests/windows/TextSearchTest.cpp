// The viewer's forward search rule on its own: every occurrence in turn, no wrap-around.
#include "windows/TextSearch.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using textview::FindNext;
using textview::SearchState;

namespace {

struct Presses {
    const wchar_t* text;
    std::vector<const wchar_t*> what; // the search text of each press
    std::vector<std::optional<int>> hits;
};

class FindNextTest : public ::testing::TestWithParam<Presses> {};

TEST_P(FindNextTest, SelectsEachOccurrenceInTurn) {
    const Presses& p = GetParam();
    SearchState state;
    for (size_t i = 0; i < p.what.size(); ++i)
        EXPECT_EQ(FindNext(state, p.text, p.what[i]), p.hits[i]) << "press " << i;
}

const std::optional<int> kNone;

INSTANTIATE_TEST_SUITE_P(
    Texts, FindNextTest,
    ::testing::Values(
        // Adjacent occurrences, then quiet presses after the last one.
        Presses{L"ababab", {L"ab", L"ab", L"ab", L"ab", L"ab"}, {0, 2, 4, kNone, kNone}},
        // Offset 0 is selected on the first press; every single letter follows.
        Presses{L"aaaaaa", {L"a", L"a", L"a", L"a", L"a", L"a", L"a"}, {0, 1, 2, 3, 4, 5, kNone}},
        // Overlapping occurrences.
        Presses{L"aaaa", {L"aa", L"aa", L"aa", L"aa"}, {0, 1, 2, kNone}},
        // CR LF counts as the text area counts it: the caller's offsets come back.
        Presses{L"x\r\nabc\r\nabc", {L"abc", L"abc", L"abc"}, {3, 8, kNone}},
        // A first occurrence further in, then the next one three characters on.
        Presses{L"0123456789abcabc", {L"abc", L"abc", L"abc"}, {10, 13, kNone}},
        // A new text starts from the top, even right after a hit near it.
        Presses{L"abcab", {L"b", L"a", L"a", L"c"}, {1, 0, 3, 2}},
        // A text that is missing finds nothing; the next new text starts at the top.
        Presses{L"hello", {L"zz", L"zz", L"l", L"l"}, {kNone, kNone, 2, 3}},
        // An empty search text never matches.
        Presses{L"abc", {L"", L"a"}, {kNone, 0}}));

TEST(FindNextState, SurvivesANewText) {
    SearchState state;
    EXPECT_EQ(FindNext(state, L"ab ab ab", L"ab"), 0);
    EXPECT_EQ(FindNext(state, L"ab ab ab", L"ab"), 3);
    // Another text: the same search text continues after the old place.
    EXPECT_EQ(FindNext(state, L"abababab", L"ab"), 4);
    EXPECT_EQ(state.LastFindPos, 3);
    EXPECT_EQ(state.FindPos, 4);
    EXPECT_EQ(state.LastFindText, L"ab");
}

TEST(FindNextState, AFailedSearchLeavesThePlaceForTheSameText) {
    SearchState state;
    EXPECT_EQ(FindNext(state, L"ab", L"ab"), 0);
    EXPECT_EQ(FindNext(state, L"ab", L"ab"), kNone);
    EXPECT_EQ(state.FindPos, 0);
    // A longer text loaded later: the search goes on from the old hit.
    EXPECT_EQ(FindNext(state, L"ab ab", L"ab"), 3);
    // A missing new text leaves -1, so the same text later starts at the top.
    EXPECT_EQ(FindNext(state, L"ab ab", L"q"), kNone);
    EXPECT_EQ(state.FindPos, -1);
    EXPECT_EQ(FindNext(state, L"q ab", L"q"), 0);
}

} // namespace

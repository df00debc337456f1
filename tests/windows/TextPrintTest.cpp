// Page layout for printing, with a fixed-width measure: words wrap at the page width,
// empty lines keep their place, and pages hold their number of lines.
#include "windows/TextPrint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using textview::LayoutPages;
using textview::PrintPage;

namespace {

// Pages as their lines' texts.
std::vector<std::vector<std::wstring>> Lay(const std::wstring& text, int columns, int lines) {
    auto fit = [columns](std::wstring_view s) { return std::min<size_t>(s.size(), columns); };
    std::vector<std::vector<std::wstring>> out;
    for (const PrintPage& page : LayoutPages(text, lines, fit)) {
        out.emplace_back();
        for (const auto& line : page)
            out.back().push_back(text.substr(line.Start, line.Length));
    }
    return out;
}

struct LayoutCase {
    const wchar_t* text;
    int columns;
    int lines;
    std::vector<std::vector<std::wstring>> pages;
};

class LayoutPagesTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutPagesTest, BreaksLinesAndPages) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(Lay(c.text, c.columns, c.lines), c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LayoutPagesTest,
    ::testing::Values(
        // Words wrap after their space; a full page starts the next.
        LayoutCase{L"aaa bbb ccc ddd", 8, 2, {{L"aaa bbb ", L"ccc ddd"}}},
        LayoutCase{L"aaa bbb ccc ddd", 4, 2, {{L"aaa ", L"bbb "}, {L"ccc ", L"ddd"}}},
        // A word longer than the line is cut.
        LayoutCase{L"abcdefghij", 4, 5, {{L"abcd", L"efgh", L"ij"}}},
        // Empty lines stay; the final line break starts no line.
        LayoutCase{L"a\r\rb\r", 10, 5, {{L"a", L"", L"b"}}},
        // An empty text is one empty page; a page too small for a line holds one.
        LayoutCase{L"", 10, 3, {{L""}}}, LayoutCase{L"x\ry", 10, 0, {{L"x"}, {L"y"}}},
        // A page narrower than a letter still makes progress.
        LayoutCase{L"abc", 0, 9, {{L"a", L"b", L"c"}}}));

TEST(LayoutPages, CoversEveryCharacterOnce) {
    std::wstring text;
    for (int i = 0; i < 300; ++i)
        text += L"word" + std::to_wstring(i) + (i % 7 ? L" " : L"\r");
    auto fit = [](std::wstring_view s) { return std::min<size_t>(s.size(), 23); };
    size_t next = 0;
    for (const PrintPage& page : LayoutPages(text, 11, fit)) {
        EXPECT_LE(page.size(), 11u);
        for (const auto& line : page) {
            if (line.Start > next) {
                EXPECT_EQ(text.substr(next, line.Start - next), L"\r");
            }
            // Only the space a line breaks after may hang past the width.
            std::wstring_view shown = std::wstring_view(text).substr(line.Start, line.Length);
            while (!shown.empty() && shown.back() == L' ')
                shown.remove_suffix(1);
            EXPECT_LE(shown.size(), 23u);
            next = line.Start + line.Length;
        }
    }
    EXPECT_EQ(next, text.size());
}

} // namespace

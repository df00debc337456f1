// Sort keys for member names: the fast keys of ASCII names are the locale's own, byte for
// byte, and large lists sort as a locale comparison would.
#include "base/MemberNames.h"
#include "mainwindow/RowKeys.h"
#include "mainwindow/SortKeys.h"

#include <gtest/gtest.h>

using namespace contents;

namespace {

std::vector<char> FromLocale(const std::string& utf8) {
    std::vector<char> key;
    NameSortKeys::AppendFromLocale(kname::Widen(utf8, CP_UTF8), key);
    return key;
}

TEST(SortKeys, FastKeysAreTheLocalesOwn) {
    const NameSortKeys keys(true);
    // The test prefix runs in English, whose letters sort one by one: the fast way is taken.
    EXPECT_TRUE(keys.FastAscii());
    const std::string names[] = {
        "",
        "a",
        "README.TXT",
        "readme.txt",
        "dir01/sub3/file000123.html",
        "Setup 2 (final) [copy] {x} ~$temp.doc",
        "co-op.txt",        // the hyphen is weighed apart
        "don't.txt",        // so is the apostrophe
        "a\tb",             // control characters are ignored by the locale
        "na\xC3\xAFve.txt", // not ASCII: the locale's key
        "!#$%&()*+,.;=@^_`|0123456789",
        std::string(700, 'z'), // longer than the stack buffer
    };
    std::wstring wide;
    for (const std::string& name : names) {
        std::vector<char> fast;
        keys.Append(name, wide, fast);
        EXPECT_EQ(fast, FromLocale(name)) << name;
    }
}

TEST(SortKeys, LargeListsSortAsTheLocaleCompares) {
    // Enough rows for the fast keys and the helper threads, mixing names that take the
    // locale's way with ones that do not.
    const char* stems[] = {"Alpha", "alpha", "b-eta", "Gamma", "gam'ma", "d\xC3\xA9lta", "_x", "9"};
    std::vector<std::string> rows;
    for (int i = 0; i < 6000; ++i) {
        std::string name = std::string("f") + std::to_string(i % 7) + "/" + stems[i % 8] +
                           std::to_string(i * 7919 % 1000) + ".txt";
        rows.push_back(MakeRowKey(name, i, 1, 1, kname::IsAscii(name) ? "" : name));
    }
    SortRowsByLocaleName(rows);
    ASSERT_EQ(rows.size(), 6000u);
    for (size_t i = 1; i < rows.size(); ++i)
        ASSERT_LE(LocaleCompareNames(RowKeyDisplayName(rows[i - 1]), RowKeyDisplayName(rows[i])), 0)
            << RowKeyDisplayName(rows[i - 1]) << " before " << RowKeyDisplayName(rows[i]);
}

} // namespace

// The member list shows names as extraction decodes them, in full Unicode, sorted by the
// locale on those names, while operations keep naming members by their stored bytes; a
// ZIP64 member shows its true size.
#include "MainFormFixture.h"

#include <string>
#include <vector>

namespace testing_support {
namespace {

// A column's texts as the list view shows them, in Unicode.
std::vector<std::wstring> WideColumn(TMainForm& form, int sub) {
    std::vector<std::wstring> out;
    for (int i = 0; i < form.ListView1().ItemCount(); ++i) {
        wchar_t buf[512] = {};
        LVITEMW it{};
        it.iSubItem = sub;
        it.pszText = buf;
        it.cchTextMax = 512;
        SendMessageW(form.ListView1().Handle(), LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&it));
        out.push_back(buf);
    }
    return out;
}

TEST_F(MainFormTest, ListShowsDecodedNamesAndOperationsUseTheStoredOnes) {
    LocalMember utf8 = M("\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xA9mega.txt", 5, 5);
    utf8.flag = 0x0800;
    LocalMember oem = M("caf\x82.txt", 5, 5); // MS-DOS host: OEM code page
    LocalMember plain = M("b.txt", 5, 5);
    LocalMember zed = M("zed.txt", 5, 5);
    form.OpenArchive(MakeArchive({zed, utf8, plain, oem}));

    // Sorted by the shown names: b, café, zed, then 日本/Ωmega (CJK after Latin).
    EXPECT_EQ(WideColumn(form, 0), (std::vector<std::wstring>{L"b.txt", L"caf\u00E9.txt",
                                                              L"zed.txt", L"\u03A9mega.txt"}));
    EXPECT_EQ(WideColumn(form, 5)[3], L"\u65E5\u672C/");
    EXPECT_EQ(form.RowEntryName(1), "caf\x82.txt");
    EXPECT_EQ(form.RowEntryName(3), utf8.name);
    EXPECT_EQ(form.RowShownName(3), L"\u65E5\u672C/\u03A9mega.txt");
}

TEST_F(MainFormTest, AZip64MemberShowsItsTrueSizeAndTotals) {
    LocalMember big = M("big.iso", 4000, 0);
    big.zip64Uncompressed = 4831838208ull; // 4.5 GiB
    form.OpenArchive(MakeArchive({big, M("small.txt", 10, 20)}));
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
    const std::vector<std::string> sizes = Column(1);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], "4 831 838 208");
    EXPECT_EQ(Column(4)[0], "4 000");
    EXPECT_EQ(form.FileInfo().UncompressedSize, "4 831 838 228 bytes");
    EXPECT_EQ(form.FileInfo().CompressedSize, "4 010 bytes");
}

} // namespace
} // namespace testing_support

// Listing what an archive's headers mean beyond their fixed fields: the ZIP64 sizes of a
// member of 4 GiB or more, and names decoded as extraction decodes them (UTF-8 flag, Unicode
// Path field, the code page of the system named in the central directory).
#include "base/CodePages.h"
#include "base/zipcore/MemberReader.h"
#include "engine/EntryName.h"
#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

LocalMember M(const std::string& name, const std::string& data) {
    LocalMember m;
    m.name = name;
    m.data = data;
    return m;
}

std::string UnicodePath(const std::string& stored, const std::string& utf8) {
    const std::uint32_t crc =
        zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size());
    std::string data(1, '\x01');
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<char>(crc >> (8 * i)));
    data += utf8;
    std::string block = "\x75\x70";
    block.push_back(static_cast<char>(data.size()));
    block.push_back(static_cast<char>(data.size() >> 8));
    return block + data;
}

class ListNamesTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    TZipKeeper zip{nullptr};

    void List(const std::vector<LocalMember>& members) {
        ZipBuilder z;
        z.Archive(members);
        z.WriteTo(tmp.File("a.zip"));
        zip.SetZipFilename(tmp.File("a.zip"));
    }
};

} // namespace

// The suite runs as the program does, with UTF-8 as the process code page: names without
// the UTF-8 flag are still read in the pages of the user's locale.
TEST(ProcessCodePage, IsUtf8AsInTheProgram) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
}

TEST_F(ListNamesTest, Zip64LocalHeadersGiveTheTrueSizesAndTheWalkGoesOn) {
    LocalMember big = M("big.iso", std::string(5000, 'z')); // as if deflated from 4.5 GiB
    big.zip64Uncompressed = 4831838208ull;
    List({M("before.txt", "1"), big, M("after.txt", "22")});
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
    ASSERT_EQ(zip.Count(), 3);
    EXPECT_EQ(zip.Entry(1).UncompressedSize64, 4831838208ull);
    EXPECT_EQ(zip.Entry(1).CompressedSize64, 5000u);
    EXPECT_EQ(zip.Entry(1).UncompressedSize, 0xFFFFFFFFu) << "the header field as stored";
    EXPECT_EQ(zip.Entry(2).FileName, "after.txt");
    EXPECT_EQ(zip.Entry(2).UncompressedSize64, 2u);
}

TEST_F(ListNamesTest, NamesAreShownAsExtractionWritesThem) {
    struct Case {
        const char* what;
        LocalMember member;
        std::wstring shown;
    };
    LocalMember dos = M("caf\x82.txt", "a");       // OEM code page, host MS-DOS
    LocalMember dosUpper = M("\x8Epfel.txt", "a"); // "Ä" in CP437 and CP850
    dosUpper.versionMadeBy = 0x0014;
    LocalMember ntfs = M("ntfs\x82.txt", "a");
    ntfs.versionMadeBy = 0x0A14;
    LocalMember unixAnsi = M("unix\xE9.txt", "a"); // not UTF-8 from Unix: ANSI
    unixAnsi.versionMadeBy = 0x0314;
    LocalMember unixUtf8 = M("unix-\xC3\xA9.txt", "a");
    unixUtf8.versionMadeBy = 0x0314;
    LocalMember flagged = M("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "a");
    flagged.flag = 0x0800;
    LocalMember local = M("zip_.txt", "a"); // Info-ZIP: Unicode Path in the local header
    local.extra = UnicodePath(local.name, "zip\xC3\xA9.txt");
    LocalMember central = M("cd_.txt", "a"); // ... or only in the central one
    central.centralExtra = UnicodePath(central.name, "cd\xC3\xA9.txt");
    const Case cases[] = {
        {"OEM, MS-DOS host", dos, L"caf\u00E9.txt"},
        {"OEM capital, MS-DOS host", dosUpper, L"\u00C4pfel.txt"},
        {"OEM, NTFS host", ntfs, L"ntfs\u00E9.txt"},
        {"ANSI, Unix host", unixAnsi, L"unix\u00E9.txt"},
        {"UTF-8, Unix host", unixUtf8, L"unix-\u00E9.txt"},
        {"UTF-8 flag", flagged, L"\u65E5\u672C\u8A9E.txt"},
        {"local Unicode Path", local, L"zip\u00E9.txt"},
        {"central Unicode Path", central, L"cd\u00E9.txt"},
        {"plain ASCII", M("docs/a.txt", "a"), L"docs/a.txt"},
    };
    std::vector<LocalMember> members;
    for (const Case& c : cases)
        members.push_back(c.member);
    List(members);
    ASSERT_EQ(zip.Count(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < zip.Count(); ++i) {
        EXPECT_TRUE(EntryDisplayName(zip.Entry(i)) == cases[i].shown) << cases[i].what;
        EXPECT_EQ(zip.Entry(i).FileName, cases[i].member.name) << "stored bytes kept";
    }
}

// Names without the UTF-8 flag are read in the pages of the user's locale, which the wine
// process takes from LC_ALL: the suite runs again under German and Russian locales
// (KELVORA_EXPECT_OEM names the OEM page the run must see, so a locale that did not take
// effect cannot pass unnoticed).
TEST_F(ListNamesTest, NamesWithoutTheFlagFollowTheUsersLocale) {
    struct Pages {
        UINT oem, ansi;
        std::wstring dos, unixAnsi;
    };
    const Pages pages[] = {
        {437, 1252, L"\u00C4\u00D6.txt", L"\u00C4\u00D6.txt"},
        {850, 1252, L"\u00C4\u00D6.txt", L"\u00C4\u00D6.txt"},
        {866, 1251, L"\u041E\u0429.txt", L"\u0414\u0426.txt"},
    };
    char expected[16] = {};
    if (GetEnvironmentVariableA("KELVORA_EXPECT_OEM", expected, sizeof expected) > 0) {
        EXPECT_EQ(kname::OemNameCodePage(), static_cast<UINT>(std::stoul(expected)));
    }
    const Pages* row = nullptr;
    for (const Pages& p : pages)
        if (p.oem == kname::OemNameCodePage() && p.ansi == kname::AnsiLegacyCodePage()) row = &p;
    ASSERT_NE(row, nullptr) << kname::OemNameCodePage() << " " << kname::AnsiLegacyCodePage();

    LocalMember dos = M("\x8E\x99.txt", "a"); // host MS-DOS
    dos.versionMadeBy = 0x0014;
    LocalMember unixAnsi = M("\xC4\xD6.txt", "b"); // host Unix, not valid UTF-8
    unixAnsi.versionMadeBy = 0x0314;
    List({dos, unixAnsi});
    ASSERT_EQ(zip.Count(), 2);
    EXPECT_TRUE(EntryDisplayName(zip.Entry(0)) == row->dos);
    EXPECT_TRUE(EntryDisplayName(zip.Entry(1)) == row->unixAnsi);
}

// A central directory in another order than the local headers still gives each member its
// own system, and so its own decoding.
TEST_F(ListNamesTest, CentralHeadersInAnotherOrderStillMatchTheirMembers) {
    LocalMember dos = M("caf\x82.txt", "1");       // MS-DOS host: OEM, "café"
    LocalMember unixAnsi = M("na\xEFve.txt", "2"); // Unix host: ANSI, "naïve"
    unixAnsi.versionMadeBy = 0x0314;
    ZipBuilder z;
    const size_t a = z.Local(dos);
    const size_t b = z.Local(unixAnsi);
    const size_t cd = z.bytes.size();
    z.Central(unixAnsi, static_cast<std::uint32_t>(b)).Central(dos, static_cast<std::uint32_t>(a));
    z.EndRecord(2, static_cast<std::uint32_t>(z.bytes.size() - cd), static_cast<std::uint32_t>(cd));
    z.WriteTo(tmp.File("b.zip"));
    zip.SetZipFilename(tmp.File("b.zip"));
    ASSERT_EQ(zip.Count(), 2);
    EXPECT_TRUE(EntryDisplayName(zip.Entry(0)) == L"caf\u00E9.txt");
    EXPECT_TRUE(EntryDisplayName(zip.Entry(1)) == L"na\u00EFve.txt");
}

// A download cut off before its directory lists the same names as the whole archive, in the
// list as on disk: Info-ZIP on Unix stores UTF-8 names without the flag, and its local Unix
// owner field tells the scan so. Junk between members does not hide the ones behind it.
TEST_F(ListNamesTest, ACutDownloadShowsTheNamesTheWholeArchiveShows) {
    const std::string unixFields = std::string("\x75\x78\x0b\x00\x01\x04", 6) +
                                   std::string(4, '\0') + std::string("\x04", 1) +
                                   std::string(4, '\0');
    LocalMember folder = M("\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0.txt", "1"); // Папка.txt
    LocalMember city = M("\xC5\x81\xC3\xB3"
                         "d\xC5\xBA.txt",
                         "22");                // Łódź.txt
    LocalMember dos = M("caf\x82.txt", "333"); // MS-DOS: café
    for (LocalMember* m : {&folder, &city}) {
        m->versionMadeBy = 0x031E;
        m->extra = unixFields;
        m->centralExtra = unixFields;
    }
    ZipBuilder whole;
    whole.Archive({folder, city, dos});
    whole.WriteTo(tmp.File("whole.zip"));
    zip.SetZipFilename(tmp.File("whole.zip"));
    ASSERT_EQ(zip.Count(), 3);
    std::vector<std::wstring> expected;
    for (int i = 0; i < 3; ++i)
        expected.push_back(EntryDisplayName(zip.Entry(i)));
    EXPECT_TRUE(expected[0] == L"\u041F\u0430\u043F\u043A\u0430.txt");
    EXPECT_TRUE(expected[1] == L"\u0141\u00F3d\u017A.txt");

    ZipBuilder cut;
    cut.Local(folder);
    cut.Raw(std::string(50, 'J')); // junk between two members
    cut.Local(city);
    cut.Local(dos);
    cut.WriteTo(tmp.File("cut.zip"));
    dialogs.Clear();
    zip.SetZipFilename(tmp.File("cut.zip"));
    ASSERT_EQ(zip.Count(), 3) << ::testing::PrintToString(dialogs.Texts());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(EntryDisplayName(zip.Entry(i)) == expected[i]) << i;
}

// Files named in any script: found and matched through the Unicode API, stored in UTF-8
// with the language encoding flag where ASCII does not do, and given their exact times.
#include "EngineFixture.h"

#include "base/MemberNames.h"
#include "base/zipcore/ExtraFields.h"
#include "base/zipcore/ZipFormat.h"
#include "dlls/zipeng/StoredName.h"

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

class UnicodeAddTest : public EngineFixture {
protected:
    // Creates a file named in UTF-8 in the test folder with an exact modification time.
    void MakeNamed(const std::string& utf8, const std::string& data, std::uint64_t modified) {
        const std::wstring path = kname::Widen(tmp_.File(utf8), CP_UTF8);
        ui::FileHandle f(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f) << utf8;
        DWORD wrote = 0;
        WriteFile(f.Get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr);
        const FILETIME t{static_cast<DWORD>(modified), static_cast<DWORD>(modified >> 32)};
        SetFileTime(f.Get(), nullptr, nullptr, &t);
    }
};

const std::string kOmega = "\xCE\xA9mega.txt";
const std::string kNihongo = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt";
constexpr std::uint64_t kTime = 132592887671234567ull;

TEST_F(UnicodeAddTest, NamesBeyondAsciiAreStoredAsFlaggedUtf8AndNeverMerged) {
    MakeNamed(kOmega, "greek", kTime);
    MakeNamed("Omega.txt", "latin", kTime);
    MakeNamed(kNihongo, "japanese", kTime);
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}, {}, r), 3);
    EXPECT_TRUE(r.Messages().empty()) << r.Messages()[0].text;
    // '?' is one letter, also beyond ASCII.
    EXPECT_EQ(Engine::Get().Add(tmp_.File("q.zip"), {"?mega.txt"}), 2);
    EXPECT_THAT(ArchiveView(tmp_.File("q.zip")).Names(), ElementsAre("Omega.txt", kOmega));
    const ArchiveView view(archive_);
    EXPECT_THAT(view.Names(), ElementsAre("Omega.txt", kOmega, kNihongo));
    EXPECT_EQ(view.Data(kOmega), "greek");
    EXPECT_EQ(view.Data("Omega.txt"), "latin");
    for (const std::string& name : view.Names()) {
        const bool ascii = name == "Omega.txt";
        EXPECT_EQ(view.Find(name)->IsUtf8(), !ascii) << name;
        const std::string local = view.Raw(name);
        EXPECT_EQ((static_cast<unsigned char>(local[7]) & 0x08) != 0, !ascii) << "local flag";
    }
}

// The exact times once, in the central directory; both headers have the modification time
// to the second, for readers that take only that one.
TEST_F(UnicodeAddTest, EveryMemberCarriesItsExactTimesCentrallyAndItsSecondInBothHeaders) {
    MakeNamed(kNihongo, "x", kTime);
    AddOptions o;
    o.keepPaths = false;
    ASSERT_EQ(Engine::Get().Add(archive_, {tmp_.File("*.*")}, o), 1);
    const ArchiveView view(archive_);
    const zipcore::Member* m = view.Find(kNihongo);
    ASSERT_NE(m, nullptr);
    zipcore::MemorySource src(view.bytes);
    const zipcore::MemberDataSpan span = zipcore::LocateData(src, *m);
    const auto ntfs = zipcore::ReadNtfsTimes(m->extra);
    ASSERT_TRUE(ntfs.has_value());
    EXPECT_EQ(ntfs->modified, kTime);
    EXPECT_NE(ntfs->created, 0u);
    EXPECT_FALSE(zipcore::ReadNtfsTimes(span.localExtra));
    for (const std::string* extra : {&m->extra, &span.localExtra})
        EXPECT_EQ(zipcore::ReadExtendedModTime(*extra), kTime - kTime % 10000000);
}

TEST(StoredNameUnicodeTest, DosNamesOfLettersBeyondAsciiArePlainAscii) {
    EXPECT_EQ(zipeng::DosName(kNihongo), "___.TXT");
    EXPECT_EQ(zipeng::DosName("caf\xC3\xA9 au lait.txt"), "CAF_AULA.TXT");
    EXPECT_EQ(zipeng::DosName("\xF0\x9F\x98\x80.md"), "_.MD");
}

} // namespace
} // namespace zipeng_test

// Update, Freshen, Move and ZipTime: decided by file times, acting only on success.
#include "EngineFixture.h"

#include "base/zipcore/DosTime.h"
#include "base/zipcore/ExtraFields.h"
#include "base/zipcore/MemberReader.h"

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

std::uint32_t Dos(int year, int month, int day, int hour, int minute) {
    return *zipcore::EncodeDosTime({year, month, day, hour, minute, 0});
}

const std::uint32_t kOld = Dos(2020, 1, 1, 10, 0);
const std::uint32_t kNew = Dos(2021, 6, 15, 12, 30);

class UpdateMoveTest : public EngineFixture {
protected:
    // An archive holding a.txt and b.txt from kOld; then a.txt changes (kNew), b.txt is
    // untouched, c.txt is new (kNew).
    void Prepare() {
        SetFileDosTime(Make("a.txt", "a old"), kOld);
        SetFileDosTime(Make("b.txt", "b old"), kOld);
        ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt"}), 2);
        before_ = std::make_unique<ArchiveView>(archive_);
        SetFileDosTime(Make("a.txt", "a new"), kNew);
        SetFileDosTime(Make("c.txt", "c new"), kNew);
    }
    std::unique_ptr<ArchiveView> before_;
};

TEST_F(UpdateMoveTest, UpdateAddsNewFilesAndReplacesOnlyOlderMembers) {
    Prepare();
    AddOptions o;
    o.update = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}, o), 2);
    const ArchiveView after(archive_);
    EXPECT_THAT(after.Names(), ElementsAre("a.txt", "b.txt", "c.txt"));
    EXPECT_EQ(after.Data("a.txt"), "a new");
    EXPECT_EQ(after.Find("a.txt")->dosTime, kNew);
    EXPECT_EQ(after.Raw("b.txt"), before_->Raw("b.txt"));
    EXPECT_EQ(after.Data("c.txt"), "c new");

    // Nothing newer: nothing to do, the archive is not rewritten.
    const std::string bytes = Bytes(archive_);
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}, o), 0);
    EXPECT_EQ(Bytes(archive_), bytes);
}

TEST_F(UpdateMoveTest, FreshenReplacesOlderMembersAndAddsNothingNew) {
    Prepare();
    AddOptions o;
    o.freshen = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}, o), 1);
    const ArchiveView after(archive_);
    EXPECT_THAT(after.Names(), ElementsAre("a.txt", "b.txt"));
    EXPECT_EQ(after.Data("a.txt"), "a new");
    EXPECT_EQ(after.Raw("b.txt"), before_->Raw("b.txt"));

    // A member newer than its file stays.
    SetFileDosTime(Make("a.txt", "a older"), kOld);
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt"}, o), 0);
    EXPECT_EQ(ArchiveView(archive_).Data("a.txt"), "a new");
}

// Archives from earlier versions carry both time fields in both headers. Update and Freshen
// judge their members by the same times as before, keep those they do not replace byte for
// byte, and write the replacements as members are written now.
TEST_F(UpdateMoveTest, MembersWithBothTimeFieldsInBothHeadersAreJudgedAsBefore) {
    const std::uint64_t exact = 132592887671234567ull; // not the DOS time: that one decides
    const std::string both =
        zipcore::NtfsTimesBlock({exact, exact, exact}) + zipcore::ExtendedTimeBlock(exact);
    auto member = [&](const std::string& name, const std::string& data) {
        testing_support::LocalMember m;
        m.name = name;
        m.data = data;
        m.dosTime = kOld;
        m.crc = zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
        m.extra = m.centralExtra = both;
        return m;
    };
    testing_support::ZipBuilder old;
    old.Archive({member("a.txt", "a old"), member("b.txt", "b old")});
    struct Case {
        bool freshen;
        std::uint32_t fileTime; // of a.txt; b.txt is as old as its member
        int replaced;
    };
    for (const Case c : {Case{false, kNew, 1}, Case{true, kNew, 1}, Case{false, kOld, 0},
                         Case{true, Dos(2019, 1, 1, 0, 0), 0}}) {
        const std::string what = std::string(c.freshen ? "freshen" : "update") +
                                 (c.replaced ? ", a.txt newer" : ", nothing newer");
        old.WriteTo(archive_);
        const ArchiveView before(archive_);
        SetFileDosTime(Make("a.txt", "a new"), c.fileTime);
        SetFileDosTime(Make("b.txt", "b new"), kOld);
        AddOptions o;
        o.update = !c.freshen;
        o.freshen = c.freshen;
        EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt"}, o), c.replaced) << what;
        const ArchiveView after(archive_);
        EXPECT_EQ(after.Raw("b.txt"), before.Raw("b.txt")) << what;
        EXPECT_EQ(after.Find("b.txt")->extra, both) << what;
        if (!c.replaced) {
            EXPECT_EQ(after.bytes, before.bytes) << what;
            continue;
        }
        EXPECT_EQ(after.Data("a.txt"), "a new") << what;
        EXPECT_EQ(after.Find("a.txt")->dosTime, kNew) << what;
        zipcore::MemorySource src(after.bytes);
        const std::string local = zipcore::LocateData(src, *after.Find("a.txt")).localExtra;
        const auto ntfs = zipcore::ReadNtfsTimes(after.Find("a.txt")->extra);
        ASSERT_TRUE(ntfs.has_value()) << what;
        EXPECT_NE(ntfs->modified, exact) << what;
        EXPECT_FALSE(zipcore::ReadNtfsTimes(local)) << what; // written as members are now
        EXPECT_TRUE(zipcore::ReadExtendedModTime(local)) << what;
    }
}

TEST_F(UpdateMoveTest, PlainAddReplacesWhateverTheTimes) {
    Prepare();
    SetFileDosTime(Make("a.txt", "a older"), kOld);
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt"}), 2);
    const ArchiveView after(archive_);
    EXPECT_EQ(after.Data("a.txt"), "a older");
    EXPECT_EQ(after.Find("b.txt")->dosTime, kOld);
}

TEST_F(UpdateMoveTest, MoveDeletesTheSourcesAfterTheArchiveIsInPlace) {
    Make("m\\one.txt", "one");
    Make("m\\sub\\two.txt", "two");
    MakeFolder("m\\sub\\empty");
    AddOptions o;
    o.move = true;
    o.recurse = true;
    EXPECT_EQ(Engine::Get().Add(archive_, {"m\\*.*"}, o), 4);
    const ArchiveView view(archive_);
    EXPECT_THAT(view.Names(), ElementsAre("m/one.txt", "m/sub/", "m/sub/empty/", "m/sub/two.txt"));
    EXPECT_EQ(view.Data("m/sub/two.txt"), "two");
    EXPECT_FALSE(FileExists(tmp_.File("m\\one.txt")));
    EXPECT_FALSE(FileExists(tmp_.File("m\\sub\\two.txt")));
    // Folders stored as entries go once empty; the folder the mask was in was not stored.
    EXPECT_FALSE(FileExists(tmp_.File("m\\sub")));
    EXPECT_TRUE(FileExists(tmp_.File("m")));
}

TEST_F(UpdateMoveTest, MoveKeepsEverySourceWhenTheAddIsStopped) {
    for (int i = 0; i < 6; ++i)
        Make("m\\f" + std::to_string(i) + ".txt", TextData(100000, i));
    AddOptions o;
    o.move = true;
    Recorder r;
    int started = 0;
    r.stopWhen = [&](const Event& e) { return e.action == keng::kActionNewFile && ++started == 4; };
    EXPECT_EQ(Engine::Get().Add(archive_, {"m\\*.*"}, o, r), 0);
    EXPECT_FALSE(FileExists(archive_));
    EXPECT_EQ(FilesIn(tmp_.File("m\\"), "*.txt").size(), 6u);
}

TEST_F(UpdateMoveTest, MoveKeepsAFileThatCouldNotBeAdded) {
    Make("m\\ok.txt", "ok");
    const std::string locked = Make("m\\locked.txt", "locked");
    ui::FileHandle hold(
        CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.Valid());
    AddOptions o;
    o.move = true;
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"m\\*.*"}, o, r), 1);
    hold.Reset();
    EXPECT_TRUE(r.HasMessage(keng::kErrReadFile, "locked.txt"));
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("m/ok.txt"));
    EXPECT_TRUE(FileExists(locked));
    EXPECT_FALSE(FileExists(tmp_.File("m\\ok.txt")));
}

TEST_F(UpdateMoveTest, ZipTimeGivesTheArchiveItsNewestMembersTime) {
    SetFileDosTime(Make("a.txt", "a"), kOld);
    SetFileDosTime(Make("b.txt", "b"), kNew);
    SetFileDosTime(Make("c.txt", "c"), kOld);
    AddOptions o;
    o.zipTime = true;
    ASSERT_EQ(Engine::Get().Add(archive_, {"*.txt"}, o), 3);
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExA(archive_.c_str(), GetFileExInfoStandard, &info));
    // 12:30 by the clock of that June day, whatever the season today.
    SYSTEMTIME universal, st;
    ASSERT_TRUE(FileTimeToSystemTime(&info.ftLastWriteTime, &universal));
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &universal, &st));
    EXPECT_EQ(st.wYear, 2021);
    EXPECT_EQ(st.wMonth, 6);
    EXPECT_EQ(st.wDay, 15);
    EXPECT_EQ(st.wHour, 12);
    EXPECT_EQ(st.wMinute, 30);

    // Without ZipTime the archive simply has the time it was written.
    const std::string plain = tmp_.File("plain.zip");
    ASSERT_EQ(Engine::Get().Add(plain, {"*.txt"}), 3);
    ASSERT_TRUE(GetFileAttributesExA(plain.c_str(), GetFileExInfoStandard, &info));
    ASSERT_TRUE(FileTimeToSystemTime(&info.ftLastWriteTime, &st));
    EXPECT_GT(st.wYear, 2021);
}

} // namespace
} // namespace zipeng_test

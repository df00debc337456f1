// File times on extraction and the Update and Freshen decisions made from them. These also
// run under time zones with daylight saving (see CMakeLists.txt): in UTC every conversion
// rule gives the same answer.
#include "tests/dlls/unzeng/ExtractFixture.h"

#include "base/FileTimes.h"
#include "base/zipcore/ExtraFields.h"

#include <gtest/gtest.h>

using namespace unzeng_test;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using zipcore_test::TestMember;

namespace {

using ExtractTimes = ExtractFixture;

} // namespace

// A file extracted from a member is exactly as new as the member, whatever the season of
// its date: Update and Freshen leave it alone, take a member half an hour newer and leave
// one half an hour older.
TEST_F(ExtractTimes, UpdateAndFreshenJudgeAnExtractedFileByItsMembersTime) {
    struct Case {
        int hour, minute; // the changed member's time on the day
        int expected;     // files Update or Freshen extracts
    };
    const Case cases[] = {{12, 0, 0}, {12, 30, 1}, {11, 30, 0}};
    for (const int month : {1, 7}) {
        const std::string original = WriteArchive(
            work, "original.zip",
            {{.name = "f.txt", .data = "first", .dosTime = Dos(2022, month, 10, 12, 0, 0)}});
        for (const Case& c : cases) {
            const std::string changed =
                WriteArchive(work, "changed.zip",
                             {{.name = "f.txt",
                               .data = "second",
                               .dosTime = Dos(2022, month, 10, c.hour, c.minute, 0)}});
            for (const bool freshen : {false, true}) {
                TempFolder folder;
                Options o = Into(original);
                o.folder = folder.Path();
                ASSERT_EQ(engine.Exec(o).result, 1);
                o.archive = changed;
                o.update = !freshen;
                o.freshen = freshen;
                const EngineRun run = engine.Exec(o);
                const std::string what = "month " + std::to_string(month) + ", member at " +
                                         std::to_string(c.hour) + ":" + std::to_string(c.minute) +
                                         ", " + (freshen ? "freshen" : "update");
                EXPECT_EQ(run.result, c.expected) << what << "\n" << run.Describe();
                EXPECT_EQ(ReadFileBytes(folder.File("f.txt")), c.expected ? "second" : "first")
                    << what;
            }
        }
    }
}

TEST_F(ExtractTimes, UpdateTakesNewerOrMissingFreshenOnlyReplacesOlder) {
    const std::uint32_t memberTime = Dos(2020, 6, 15, 12, 0, 0);
    const std::vector<TestMember> members = {
        {.name = "older.txt", .data = "member", .dosTime = memberTime},
        {.name = "newer.txt", .data = "member", .dosTime = memberTime},
        {.name = "missing.txt", .data = "member", .dosTime = memberTime},
        {.name = "sub/missing.txt", .data = "member", .dosTime = memberTime},
    };
    const std::string archive = WriteArchive(work, "u.zip", members);
    auto prepare = [&](const TempFolder& f) {
        WriteFileBytes(f.File("older.txt"), "disk");
        SetFileDosTime(f.File("older.txt"), Dos(2019, 1, 1, 0, 0, 0));
        WriteFileBytes(f.File("newer.txt"), "disk");
        SetFileDosTime(f.File("newer.txt"), Dos(2021, 1, 1, 0, 0, 0));
    };

    prepare(out);
    Options o = Into(archive);
    o.update = true;
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(run.result, 3) << run.Describe();
    EXPECT_EQ(ReadFileBytes(out.File("older.txt")), "member");
    EXPECT_EQ(ReadFileBytes(out.File("newer.txt")), "disk");
    EXPECT_EQ(ReadFileBytes(out.File("missing.txt")), "member");
    EXPECT_EQ(ReadFileBytes(out.File("sub\\missing.txt")), "member");

    TempFolder fresh;
    prepare(fresh);
    o.folder = fresh.Path();
    o.update = false;
    o.freshen = true;
    run = engine.Exec(o);
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_EQ(ReadFileBytes(fresh.File("older.txt")), "member");
    EXPECT_EQ(ReadFileBytes(fresh.File("newer.txt")), "disk");
    EXPECT_FALSE(FileExists(fresh.File("missing.txt")));
    EXPECT_FALSE(FolderExists(fresh.File("sub"))); // nothing to freshen there

    // A file extracted with its member's time is not older than the member.
    run = engine.Exec(o);
    EXPECT_EQ(run.result, 0) << run.Describe();
}

TEST_F(ExtractTimes, FileTimesComeFromTheMembersAndReadOnlyIsKept) {
    const std::uint32_t t1 = Dos(2001, 2, 3, 4, 5, 6), t2 = Dos(2024, 7, 8, 21, 30, 58);
    const std::string archive =
        WriteArchive(work, "t.zip",
                     {{.name = "one.txt", .data = "1", .dosTime = t1},
                      {.name = "ro.txt", .data = "2", .dosTime = t2, .externalAttributes = 0x01},
                      {.name = "unixro.txt",
                       .data = "3",
                       .versionMadeBy = 0x0314,
                       .externalAttributes = 0100444u << 16}});
    EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 3) << run.Describe();
    EXPECT_EQ(FileDosTime(out.File("one.txt")), t1);
    EXPECT_EQ(FileDosTime(out.File("ro.txt")), t2);
    EXPECT_FALSE(IsReadOnly(out.File("one.txt")));
    EXPECT_TRUE(IsReadOnly(out.File("ro.txt")));
    EXPECT_TRUE(IsReadOnly(out.File("unixro.txt")));
}

// The exact times of the NTFS field win over the extended timestamp, which wins over the
// DOS time; a member with neither keeps the DOS time.
TEST_F(ExtractTimes, ExactTimesComeFromTheNtfsFieldElseTheExtendedTimestamp) {
    const std::uint64_t modified = 132592887671234567ull, accessed = modified + 777;
    const std::uint64_t unixTime = 132000000000000000ull; // whole seconds
    const std::uint32_t dos = Dos(2001, 2, 3, 4, 5, 6);
    const std::string ntfs = zipcore::NtfsTimesBlock({modified, accessed, modified - 5});
    const std::string ut = zipcore::ExtendedTimeBlock(unixTime);
    const std::string archive =
        WriteArchive(work, "exact.zip",
                     {{.name = "ntfs.txt", .data = "1", .dosTime = dos, .centralExtra = ut + ntfs},
                      {.name = "ut.txt", .data = "2", .dosTime = dos, .centralExtra = ut},
                      {.name = "dos.txt", .data = "3", .dosTime = dos}});
    EngineRun run = engine.Exec(Into(archive));
    ASSERT_EQ(run.result, 3) << run.Describe();
    struct Case {
        const char* name;
        std::uint64_t modified;
    };
    for (const Case& c : {Case{"ntfs.txt", modified}, Case{"ut.txt", unixTime}}) {
        WIN32_FILE_ATTRIBUTE_DATA a{};
        ASSERT_TRUE(GetFileAttributesExA(out.File(c.name).c_str(), GetFileExInfoStandard, &a));
        EXPECT_EQ(kfiletime::FromFileTime(a.ftLastWriteTime), c.modified) << c.name;
        if (c.modified == modified) {
            EXPECT_EQ(kfiletime::FromFileTime(a.ftLastAccessTime), accessed) << c.name;
        }
    }
    EXPECT_EQ(FileDosTime(out.File("dos.txt")), dos);
}

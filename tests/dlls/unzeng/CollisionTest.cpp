// Members that land on one path in one extraction: the first keeps it, every later one is
// reported and left out, decided in archive order before any worker writes.
#include "tests/dlls/unzeng/ExtractFixture.h"

#include <gtest/gtest.h>

using namespace unzeng_test;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using zipcore_test::TestMember;

namespace {

using Collision = ExtractFixture;

constexpr std::uint16_t kUnix = 0x0314; // names from a Unix host are taken as UTF-8

TEST_F(Collision, ALaterMemberOnTheSamePathIsReportedAndTheFirstStays) {
    struct Case {
        std::string first, second;
        std::string file; // the one file written, relative to the target
        bool dirNames = true;
    };
    const Case cases[] = {
        {"Case.txt", "case.txt", "Case.txt"},
        {"CAF\xC3\x89.TXT", "caf\xC3\xA9.txt", "CAF\xC3\x89.TXT"},
        {"dir\\x.txt", "dir/x.txt", "dir\\x.txt"},
        {"a", "a/.", "a"},
        {"same.txt", "same.txt", "same.txt"},
        {"one/x.txt", "two/x.txt", "x.txt", false}, // folder names junked
    };
    for (const Case& c : cases) {
        TempFolder folder;
        Options o =
            Into(WriteArchive(work, "c.zip",
                              {{.name = c.first, .data = "first", .versionMadeBy = kUnix},
                               {.name = c.second, .data = "second", .versionMadeBy = kUnix}}));
        o.folder = folder.Path();
        o.dirNames = c.dirNames;
        const EngineRun run = engine.Exec(o);
        EXPECT_EQ(run.result, 1) << c.second << "\n" << run.Describe();
        ASSERT_EQ(run.Messages().size(), 1u) << c.second << "\n" << run.Describe();
        EXPECT_EQ(run.Messages()[0].error, keng::kErrDuplicateName);
        EXPECT_EQ(run.Messages()[0].text.rfind("Skipped \"" + c.second + "\":", 0), 0u)
            << run.Messages()[0].text;
        EXPECT_EQ(ReadFileBytes(folder.File(AnsiFromUtf8(c.file))), "first") << c.second;
        EXPECT_EQ(ListFolder(folder.Path()).size(), 1u) << c.second;
    }
}

// A file and a folder of one name: whichever comes first in the archive is written and the
// other is left out, the same way on every run however the workers are scheduled.
TEST_F(Collision, FileAndFolderOfOneNameEndTheSameWayEveryTime) {
    const std::string big(300000, 'b');
    struct Case {
        std::vector<TestMember> members;
        bool bIsFile;
        std::string skipped;
        int runs; // many where the order of writing used to decide
    };
    const Case cases[] = {
        {{{.name = "a/b", .data = big}, {.name = "a/b/c", .data = "c"}}, true, "a/b/c", 50},
        {{{.name = "a/b/c", .data = "c"}, {.name = "a/b", .data = big}}, false, "a/b", 10},
        {{{.name = "a/b", .data = big}, {.name = "a/b/", .data = ""}}, true, "a/b/", 10},
    };
    for (const Case& c : cases) {
        const std::string archive = WriteArchive(work, "fd.zip", c.members);
        for (int i = 0; i < c.runs; ++i) {
            TempFolder folder;
            Options o = Into(archive);
            o.folder = folder.Path();
            const EngineRun run = engine.Exec(o);
            const std::string what = c.skipped + ", run " + std::to_string(i);
            EXPECT_EQ(run.result, 1) << what << "\n" << run.Describe();
            ASSERT_TRUE(run.HasMessage(keng::kErrDuplicateName, "Skipped \"" + c.skipped + "\""))
                << what << "\n"
                << run.Describe();
            ASSERT_EQ(run.Messages().size(), 1u) << what << "\n" << run.Describe();
            if (c.bIsFile) {
                ASSERT_TRUE(ReadFileBytes(folder.File("a\\b")) == big) << what;
            } else {
                ASSERT_EQ(ReadFileBytes(folder.File("a\\b\\c")), "c") << what;
            }
        }
    }
}

} // namespace

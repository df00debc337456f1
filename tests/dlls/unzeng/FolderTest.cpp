#include "dlls/unzeng/OutputFiles.h"
#include "tests/dlls/unzeng/ExtractFixture.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace unzeng_test;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

using Folders = ExtractFixture;

std::wstring LongPath(const std::string& path) {
    return unzeng::Widen("\\\\?\\" + path, CP_ACP);
}

// What the system makes of the path, the rule the keys must follow.
std::wstring SystemLower(std::wstring path) {
    if (!path.empty()) CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

} // namespace

TEST(LowerCaseKey, FollowsTheSystemsRuleForAsciiAndOtherNames) {
    struct Case {
        const wchar_t* path;
        const wchar_t* ascii; // expected when the path is ASCII, else null
    };
    const Case cases[] = {
        {L"", L""},
        {L"ABC\\Def.TXT", L"abc\\def.txt"},
        {L"\\\\?\\Z:\\Out\\[X]_@^`{~}", L"\\\\?\\z:\\out\\[x]_@^`{~}"},
        {L"Stra\u00DFe\\\u00C4RGER.txt", nullptr},
        {L"\u0391\u0392\u0393\\Mixed\u00D6", nullptr},
        {L"\u00C9T\u00C9", nullptr},
    };
    for (const Case& c : cases) {
        std::wstring key = c.path;
        unzeng::LowerCaseKey(key);
        EXPECT_EQ(key, SystemLower(c.path)) << unzeng::Narrow(c.path);
        if (c.ascii) {
            EXPECT_EQ(key, c.ascii);
        }
    }
}

TEST_F(Folders, MakerTellsWhichFoldersThisExtractionCreated) {
    CreateDirectoryA(out.File("old").c_str(), nullptr);
    WriteFileBytes(out.File("plain"), "a file");
    unzeng::FolderMaker maker;

    EXPECT_FALSE(maker.Ensure(LongPath(out.File("old"))));
    EXPECT_TRUE(maker.Ensure(LongPath(out.File("new\\deep\\er"))));
    EXPECT_TRUE(FolderExists(out.File("new\\deep\\er")));
    // Remembered, also under another letter case; its parents were made on the way.
    EXPECT_TRUE(maker.Ensure(LongPath(out.File("NEW\\Deep\\ER"))));
    EXPECT_TRUE(maker.Ensure(LongPath(out.File("new\\deep"))));
    EXPECT_THROW(maker.Ensure(LongPath(out.File("plain"))), unzeng::WriteError);

    // A worker's previous folder answers for the files beside it, whatever came between.
    unzeng::LastFolder last;
    EXPECT_FALSE(maker.EnsureParentOf(LongPath(out.File("old\\a.txt")), last));
    EXPECT_FALSE(maker.EnsureParentOf(LongPath(out.File("old\\b.txt")), last));
    EXPECT_TRUE(maker.EnsureParentOf(LongPath(out.File("two\\a.txt")), last));
    EXPECT_TRUE(maker.EnsureParentOf(LongPath(out.File("two\\b.txt")), last));
    EXPECT_FALSE(maker.EnsureParentOf(LongPath(out.File("old\\c.txt")), last));
    EXPECT_THROW(maker.EnsureParentOf(LongPath(out.File("plain\\x.txt")), last),
                 unzeng::WriteError);
    EXPECT_TRUE(maker.EnsureParentOf(LongPath(out.File("two\\c.txt")), last));
}

TEST_F(Folders, FilesInFoldersThatExistedAreCheckedThoseInNewFoldersAreWritten) {
    CreateDirectoryA(out.File("old").c_str(), nullptr);
    WriteFileBytes(out.File("old\\a.txt"), "mine");
    std::vector<zipcore_test::TestMember> members;
    for (const char* name : {"old/a.txt", "old/b.txt", "new/a.txt", "new/sub/c.txt", "NEW/d.txt",
                             "old/A.TXT", "new/sub/e.txt", "new/x.txt"})
        members.push_back({.name = name, .data = std::string("data of ") + name});
    Options o = Into(WriteArchive(work, "f.zip", members));
    o.overwrite = false;
    EngineRun run = engine.Exec(o);

    EXPECT_EQ(run.result, 6) << run.Describe();
    EXPECT_EQ(ReadFileBytes(out.File("old\\a.txt")), "mine");
    EXPECT_TRUE(run.HasMessage(keng::kErrExists, "old/a.txt")) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrDuplicateName, "old/A.TXT")) << run.Describe();
    for (const char* name : {"old\\b.txt", "new\\a.txt", "new\\sub\\c.txt", "new\\d.txt",
                             "new\\sub\\e.txt", "new\\x.txt"}) {
        std::string stored = name;
        for (char& c : stored)
            if (c == '\\') c = '/';
        if (stored == "new/d.txt") stored = "NEW/d.txt";
        EXPECT_EQ(ReadFileBytes(out.File(name)), "data of " + stored) << name;
    }
    EXPECT_EQ(ListFolder(out.File("new")).size(), 4u); // a.txt, sub, d.txt, x.txt: no temporaries
}

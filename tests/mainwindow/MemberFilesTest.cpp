// The window-free rules for viewing, running and installing members.
#include "mainwindow/MemberFiles.h"

#include "engine/PathUtil.h"
#include "tests/engine/ZipBuilder.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(MemberFilesTest, SetupMemberIsTheFirstContainingTheNamesLowerCased) {
    using V = std::vector<std::string>;
    struct Case {
        V names;
        std::string expected;
    } cases[] = {
        {{"readme.txt", "disk1/setup.exe", "install.exe"}, "disk1/setup.exe"},
        {{"INSTALL.EXE", "setup.exe"}, "install.exe"},
        {{"Tools/MySetup.EXE"}, "tools/mysetup.exe"},
        {{"setup.exe.txt"}, "setup.exe.txt"},               // a further extension still matches
        {{"setup.exe/readme.txt"}, "setup.exe/readme.txt"}, // so does a folder part
        {{"setup.ex", "install.com", "setupexe"}, ""},
        {{"\xC4SETUP.EXE"}, "\xC4setup.exe"},     // only A to Z are lowered
        {{"a.exe/Setup.Exe"}, "a.exe/setup.exe"}, // a later ".exe" than the first
        {{"PreInstall.exe"}, "preinstall.exe"},
        {{"instal.exe", ".exe", "setup", "etup.exe"}, ""},
        {{}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(members::FindSetupName(c.names), c.expected) << c.expected;
}

TEST(MemberFilesTest, ProgramsAreStartedQuotedAndKnownByTheirExtension) {
    EXPECT_TRUE(members::IsProgramFile("C:\\t\\tool.EXE"));
    EXPECT_TRUE(members::IsProgramFile("C:\\t\\bin\\setup.exe"));
    EXPECT_FALSE(members::IsProgramFile("C:\\t\\notes.txt"));
    EXPECT_FALSE(members::IsProgramFile("C:\\t.exe\\notes"));
    EXPECT_EQ(members::ProgramCommandLine("C:\\Program Files\\a b\\setup.exe"),
              "\"C:\\Program Files\\a b\\setup.exe\"");
}

TEST(MemberFilesTest, UnpackedPathsStayInsideTheirFolder) {
    struct Case {
        const char* member;
        const char* expected; // nullptr: refused
    } cases[] = {
        {"a.txt", "C:\\T\\kv1\\a.txt"},
        {"bin/tool.exe", "C:\\T\\kv1\\bin\\tool.exe"},
        {"docs/sub/a.txt", "C:\\T\\kv1\\docs\\sub\\a.txt"},
        {"a..b/c..", "C:\\T\\kv1\\a..b\\c.."},
        {"../evil.exe", nullptr},
        {"a/../../evil.exe", nullptr},
        {"a/..", nullptr},
        {"/abs.txt", nullptr},
        {"\\abs.txt", nullptr},
        {"C:evil.txt", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::optional<std::string> p = members::UnpackedPath("C:\\T\\kv1", c.member);
        if (c.expected)
            EXPECT_EQ(p.value_or("<refused>"), c.expected) << c.member;
        else
            EXPECT_FALSE(p) << c.member;
    }
}

TEST(MemberFilesTest, ScratchFoldersAreNewAndOnlyViewingFoldersGoAtTheEnd) {
    TempFolder tmp;
    const std::string base = tmp.File("not yet\\Temp Dir");
    std::string viewing, kept;
    {
        members::ScratchFolders scratch;
        viewing = scratch.Make(base, members::ScratchFolders::RemoveAtEnd);
        kept = scratch.Make(base, members::ScratchFolders::Keep);
        EXPECT_NE(viewing, kept);
        EXPECT_EQ(viewing.rfind(base + "\\", 0), 0u);
        EXPECT_TRUE(kpath::DirectoryExists(viewing));
        EXPECT_TRUE(kpath::DirectoryExists(kept));
        // A member as the engine leaves it: in a folder, read-only.
        CreateDirectoryA((viewing + "\\docs").c_str(), nullptr);
        WriteFileBytes(viewing + "\\docs\\a.txt", "a");
        SetFileAttributesA((viewing + "\\docs\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_FALSE(kpath::DirectoryExists(viewing));
    EXPECT_TRUE(kpath::DirectoryExists(kept));
}

TEST(MemberFilesTest, AFolderThatCannotBeMadeIsTold) {
    TempFolder tmp;
    WriteFileBytes(tmp.File("file"), "x"); // a file where the base folder should be
    members::ScratchFolders scratch;
    try {
        scratch.Make(tmp.File("file"), members::ScratchFolders::Keep);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create folder " + tmp.File("file"), 0), 0u);
    }
}

} // namespace

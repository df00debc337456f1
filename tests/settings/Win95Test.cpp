// Copy, move and delete through the real shell, on files in a folder of the test's own.
// The recycle bin is the one under XDG_DATA_HOME, which the test run points into the build.
#include "settings/win95.h"
#include "tests/engine/ZipBuilder.h"
#include "base/Handle.h"
#include "base/LongPaths.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(Win95, EachCallAsksForItsFlags) {
    EXPECT_EQ(win95::CopyFlags(true, true), 0xC8);    // save as
    EXPECT_EQ(win95::MoveFlags(true, true), 0xD8);    // moving a download
    EXPECT_EQ(win95::DeleteFlags(true, false), 0xD0); // delete archive
    // The last flag of copy and move work in opposite senses.
    EXPECT_EQ(win95::CopyFlags(false, false), 0xD0);
    EXPECT_EQ(win95::MoveFlags(false, false), 0xC0);
    EXPECT_EQ(win95::DeleteFlags(false, true), 0x80);
}

TEST(Win95, NamesAreKeptWholeInTheShellsList) {
    using namespace std::string_literals;
    EXPECT_EQ(win95::ShellNameList({"c:\\a;b.zip"}), "c:\\a;b.zip\0\0"s);
    EXPECT_EQ(win95::ShellNameList({"x", "y"}), "x\0y\0\0"s);
    EXPECT_EQ(win95::ShellNameList({}), std::nullopt);
    EXPECT_EQ(win95::ShellNameList({"x", ""}), std::nullopt);
}

TEST(Win95, ACollisionGivesTheNextFreeName) {
    TempFolder tmp;
    CreateDirectoryA(tmp.File("x.d").c_str(), nullptr);
    for (const char* name : {"a.txt", "x.d\\a.txt", "x.d\\a (2).txt", "x.d\\plain"})
        WriteFileBytes(tmp.File(name), "taken");
    const struct {
        const char* source;
        const char* dest;
        const char* target;
    } cases[] = {
        {"a.txt", "free.txt", "free.txt"},
        {"a.txt", "x.d", "x.d\\a (3).txt"}, // into a folder holding the name
        {"b.txt", "x.d\\", "x.d\\b.txt"},   // into a folder, free
        {"a.txt", "x.d\\a.txt", "x.d\\a (3).txt"},
        {"plain", "x.d\\plain", "x.d\\plain (2)"}, // no extension; the folder's dot is not one
        {"a.txt", "a.txt", "a.txt"},               // onto itself
    };
    for (const auto& c : cases)
        EXPECT_EQ(win95::RenamedTarget(tmp.File(c.source), tmp.File(c.dest)), tmp.File(c.target))
            << c.source << " -> " << c.dest;
}

TEST(Win95, CopyAndMoveOntoATakenNameKeepTheOldFile) {
    TempFolder tmp;
    CreateDirectoryA(tmp.File("out").c_str(), nullptr);
    WriteFileBytes(tmp.File("a.txt"), "new");
    WriteFileBytes(tmp.File("out\\a.txt"), "old");
    std::string placed;
    EXPECT_TRUE(win95::CopyFiles(nullptr, {tmp.File("a.txt")}, tmp.File("out\\a.txt"), true, true,
                                 &placed));
    EXPECT_EQ(placed, tmp.File("out\\a (2).txt"));
    EXPECT_EQ(ReadFileBytes(tmp.File("out\\a.txt")), "old");
    EXPECT_EQ(ReadFileBytes(placed), "new");
    EXPECT_EQ(ReadFileBytes(tmp.File("a.txt")), "new");

    EXPECT_TRUE(
        win95::MoveFiles(nullptr, {tmp.File("a.txt")}, tmp.File("out"), true, true, &placed));
    EXPECT_EQ(placed, tmp.File("out\\a (3).txt"));
    EXPECT_FALSE(Exists(tmp.File("a.txt")));
    EXPECT_EQ(ReadFileBytes(placed), "new");
    EXPECT_EQ(ReadFileBytes(tmp.File("out\\a.txt")), "old");
}

TEST(Win95, DeleteActsOnWholeNamesEvenWithSemicolons) {
    TempFolder tmp;
    for (const char* name : {"a;b.zip", "a", "b.zip", "c.zip", "d.zip"})
        WriteFileBytes(tmp.File(name), name);
    EXPECT_TRUE(win95::DeleteFiles(nullptr, {tmp.File("a;b.zip")}, false, false));
    EXPECT_FALSE(Exists(tmp.File("a;b.zip")));
    EXPECT_TRUE(Exists(tmp.File("a")));
    EXPECT_TRUE(Exists(tmp.File("b.zip")));
    // A list of two acts on both.
    EXPECT_TRUE(win95::DeleteFiles(nullptr, {tmp.File("c.zip"), tmp.File("d.zip")}, false, false));
    EXPECT_FALSE(Exists(tmp.File("c.zip")) || Exists(tmp.File("d.zip")));
    // An empty name cannot be passed on; nothing is done.
    EXPECT_FALSE(win95::DeleteFiles(nullptr, {tmp.File("a"), ""}, false, false));
    EXPECT_TRUE(Exists(tmp.File("a")));
}

TEST(Win95, DeleteToTheRecycleBinAsksNothing) {
    // Wine keeps its recycle bin under XDG_DATA_HOME; without the test run's own, the user's
    // bin would fill.
    char dataHome[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("XDG_DATA_HOME", dataHome, MAX_PATH))
        GTEST_SKIP() << "XDG_DATA_HOME is not set";
    TempFolder tmp;
    const std::string name = "gone" + std::to_string(GetCurrentProcessId()) + ".zip";
    WriteFileBytes(tmp.File(name), "bin me");
    EXPECT_TRUE(win95::DeleteFiles(nullptr, {tmp.File(name)}, true, false));
    EXPECT_FALSE(Exists(tmp.File(name)));
    std::string bin = std::string("Z:") + dataHome + "/Trash/";
    for (char& c : bin)
        if (c == '/') c = '\\';
    EXPECT_EQ(ReadFileBytes(bin + "files\\" + name), "bin me");
    DeleteFileA((bin + "files\\" + name).c_str());
    DeleteFileA((bin + "info\\" + name + ".trashinfo").c_str());
}

// Names of MAX_PATH or more, which the shell cannot take: one file is copied or moved by
// the file calls, a taken name gets the next free one; deleting goes by the 8.3 folders.
TEST(Win95, FilesDeeperThanTheShellTakesAreCopiedMovedAndDeleted) {
    TempFolder tmp;
    std::string deep = tmp.File("deep");
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    for (int i = 0; i < 9; ++i) {
        deep += "\\a folder named at length " + std::to_string(i);
        ASSERT_TRUE(CreateDirectoryW(kname::LongPath(deep).c_str(), nullptr)) << deep;
    }
    const std::string original = deep + "\\archive.zip";
    ASSERT_GE(original.size(), static_cast<size_t>(MAX_PATH));
    WriteFileBytes(original, "archive bytes");
    WriteFileBytes(deep + "\\taken.zip", "someone else's");
    const auto exists = [](const std::string& path) {
        return GetFileAttributesW(kname::LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    };

    std::string placed;
    EXPECT_TRUE(win95::CopyFiles(nullptr, {original}, deep + "\\taken.zip", true, false, &placed));
    EXPECT_EQ(placed, deep + "\\taken (2).zip");
    EXPECT_EQ(ReadFileBytes(placed), "archive bytes");
    EXPECT_EQ(ReadFileBytes(deep + "\\taken.zip"), "someone else's");

    EXPECT_TRUE(win95::MoveFiles(nullptr, {placed}, tmp.File("moved.zip"), true, true));
    EXPECT_FALSE(exists(placed));
    EXPECT_EQ(ReadFileBytes(tmp.File("moved.zip")), "archive bytes");

    EXPECT_TRUE(win95::DeleteFiles(nullptr, {original}, false, false));
    EXPECT_FALSE(exists(original));
}

// So deep that even the 8.3 form is too long for the shell: erased by the file calls, and a
// file held open without sharing its deletion stays, with the system's reason.
TEST(Win95, FilesTooDeepEvenInTheirShortFormAreErasedByTheFileCalls) {
    TempFolder tmp;
    std::string deep = tmp.File("deep");
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    for (int i = 0; i < 40; ++i) {
        deep += "\\folder " + std::to_string(i);
        ASSERT_TRUE(CreateDirectoryW(kname::LongPath(deep).c_str(), nullptr)) << deep;
    }
    ASSERT_GE(kname::ShortPath(deep + "\\x.zip").size(), static_cast<size_t>(MAX_PATH));
    const struct {
        const char* what;
        bool held;
    } cases[] = {{"free", false}, {"held open", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = deep + "\\" + c.what + ".zip";
        WriteFileBytes(name, "bytes");
        ui::FileHandle open;
        if (c.held) {
            open.Reset(CreateFileW(kname::LongPath(name).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        }
        SetLastError(0);
        EXPECT_EQ(win95::DeleteFiles(nullptr, {name}, true, false), !c.held);
        if (c.held) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        EXPECT_EQ(GetFileAttributesW(kname::LongPath(name).c_str()) != INVALID_FILE_ATTRIBUTES,
                  c.held);
    }
}

} // namespace

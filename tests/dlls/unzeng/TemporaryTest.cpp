// The temporary file each member is written to: its name never depends on the member's (so
// names of every legal length extract), leftovers of a killed extraction are swept from the
// folders written, and a report keeps its reason however long the paths in it.
#include "tests/dlls/unzeng/ExtractFixture.h"

#include "base/Handle.h"

#include <windows.h>

#include <gmock/gmock.h>

#include <algorithm>

using namespace unzeng_test;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using testing_support::WriteFileBytes;
using zipcore_test::TestMember;

namespace {

// Files deeper than MAX_PATH are reached by the wide calls with the \\?\ prefix.
std::wstring Long(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

std::string ReadLong(const std::string& path) {
    ui::FileHandle f(CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    if (!f) return "<missing>";
    std::string data(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(f.Get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    data.resize(got);
    return data;
}

std::vector<std::string> ListLong(std::string folder) {
    while (folder.back() == '\\')
        folder.pop_back();
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    ui::FindHandle find(FindFirstFileW((Long(folder) + L"\\*").c_str(), &fd));
    if (!find) return names;
    do {
        const std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..") names.emplace_back(n.begin(), n.end());
    } while (FindNextFileW(find.Get(), &fd));
    return names;
}

class Temporaries : public ExtractFixture {};

TEST_F(Temporaries, NamesOfUpTo255CharactersExtractAndNoTemporaryStays) {
    std::vector<TestMember> members;
    for (int length = 250; length <= 255; ++length) {
        const std::string name = std::string(length - 4, char('a' + length - 250)) + ".txt";
        members.push_back({.name = name, .data = "length " + std::to_string(length)});
        members.push_back({.name = "sub/" + name, .data = "below " + std::to_string(length)});
    }
    const std::string archive = WriteArchive(work, "long.zip", members);
    const EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 12) << run.Describe();
    for (const TestMember& m : members) {
        std::string path = out.File(m.name);
        std::replace(path.begin(), path.end(), '/', '\\');
        EXPECT_EQ(ReadLong(path), m.data) << m.name.size();
    }
    for (const std::string& folder : {out.Path(), out.File("sub")}) {
        const std::vector<std::string> names = ListLong(folder);
        EXPECT_EQ(names.size(), folder == out.Path() ? 7u : 6u); // the files, and "sub"
        for (const std::string& n : names)
            EXPECT_NE(n.rfind("~ku", 0), 0u) << n;
    }
}

TEST_F(Temporaries, DataThatFailsItsCrcIsKeptBesideItsTargetEvenForTheLongestName) {
    struct Case {
        std::string name;
        std::string kept; // the name the data is kept under; empty: the short ".bad" form
    } const cases[] = {{"bad.txt", "bad.txt.~kz"}, {std::string(251, 'b') + ".txt", ""}};
    for (const Case& c : cases) {
        const std::string data(20000, 'd');
        zipcore_test::BuiltArchive built =
            zipcore_test::BuildArchive({{.name = c.name, .data = data}});
        zipcore_test::PatchU32(built.bytes, built.centralOffsets[0] + 16, 0x01020304);
        testing_support::TempFolder into;
        const std::string archive = work.File("crc.zip");
        WriteFileBytes(archive, built.bytes);
        Options o = Into(archive);
        o.folder = into.Path();
        const EngineRun run = engine.Exec(o);
        const std::vector<std::string> left = ListLong(into.Path());
        ASSERT_EQ(left.size(), 1u) << run.Describe();
        const std::string& kept = left[0];
        if (c.kept.empty()) {
            EXPECT_EQ(kept.rfind("~ku", 0), 0u) << kept;
            EXPECT_EQ(kept.substr(kept.size() - 4), ".bad") << kept;
        } else {
            EXPECT_EQ(kept, c.kept);
        }
        EXPECT_TRUE(ReadLong(into.File(kept)) == data);
        EXPECT_TRUE(run.HasMessage(keng::kErrCrc, kept)) << run.Describe();
    }
}

TEST_F(Temporaries, LeftoversOfAKilledExtractionGoFromTheFoldersItWrites) {
    CreateDirectoryA(out.File("sub").c_str(), nullptr);
    CreateDirectoryA(out.File("elsewhere").c_str(), nullptr);
    for (const char* name :
         {"~ku0badf00d.tmp", "~KUDEADBEEF.TMP", "sub\\~ku00000001.tmp", "~kuNOTHEX1.tmp",
          "~ku1234.tmp", "old.txt.~kz", "~kz12345678.tmp", "elsewhere\\~ku00000002.tmp"})
        WriteFileBytes(out.File(name), "left behind");
    // One another extraction is still writing: open, and so not stale.
    WriteFileBytes(out.File("~ku12345678.tmp"), "in use");
    ui::FileHandle live(CreateFileA(out.File("~ku12345678.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(live.Valid());

    const std::string archive = WriteArchive(
        work, "a.zip", {{.name = "a.txt", .data = "a"}, {.name = "sub/b.txt", .data = "b"}});
    const EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 2) << run.Describe();
    // Ours of the folders written are gone; other names, the archive engine's own, a folder
    // not written to and the live one stay.
    EXPECT_THAT(ListFolder(out.Path()),
                UnorderedElementsAre("a.txt", "sub", "elsewhere", "~kuNOTHEX1.tmp", "~ku1234.tmp",
                                     "old.txt.~kz", "~kz12345678.tmp", "~ku12345678.tmp"));
    EXPECT_THAT(ListFolder(out.File("sub")), ElementsAre("b.txt"));
    EXPECT_THAT(ListFolder(out.File("elsewhere")), ElementsAre("~ku00000002.tmp"));

    // Testing writes nothing, and so sweeps nothing.
    live.Reset();
    Options test = Into(archive);
    test.test = true;
    engine.Exec(test);
    EXPECT_TRUE(FileExists(out.File("~ku12345678.tmp")));
}

// A real extraction killed half way (unzdrive.exe beside the test), then a whole one into the
// same folder: whatever the killed one left under a temporary name is gone.
TEST_F(Temporaries, AKilledExtractionLeavesNothingTheNextOneDoesNotSweep) {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string drive(self, n);
    drive = drive.substr(0, drive.find_last_of('\\') + 1) + "unzdrive.exe";
    if (!FileExists(drive)) GTEST_SKIP() << "unzdrive.exe is not built";
    std::vector<TestMember> members;
    for (int i = 0; i < 6; ++i) {
        std::string noise(8 << 20, '\0');
        std::uint32_t x = 17 + i;
        for (char& c : noise) {
            x = x * 1664525u + 1013904223u;
            c = static_cast<char>(x >> 24);
        }
        members.push_back({.name = "big" + std::to_string(i) + ".bin", .data = noise, .method = 0});
    }
    const std::string archive = WriteArchive(work, "big.zip", members);
    std::string folder = out.Path();
    folder.pop_back(); // a backslash before the closing quote would escape it
    std::string command = "\"" + drive + "\" -x \"" + folder + "\" \"" + archive + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    ui::FileHandle process(pi.hProcess), thread(pi.hThread);
    // Killed as soon as a temporary file is there.
    bool seen = false;
    for (int wait = 0; wait < 2000 && !seen; ++wait) {
        for (const std::string& name : ListFolder(out.Path()))
            seen = seen || name.rfind("~ku", 0) == 0;
        if (!seen) Sleep(5);
    }
    TerminateProcess(process.Get(), 9);
    WaitForSingleObject(process.Get(), 10000);
    ASSERT_TRUE(seen) << "no temporary file appeared";
    int left = 0;
    for (const std::string& name : ListFolder(out.Path()))
        left += name.rfind("~ku", 0) == 0;
    ASSERT_GT(left, 0) << "the killed run left nothing to sweep";

    const EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 6) << run.Describe();
    for (const std::string& name : ListFolder(out.Path()))
        EXPECT_EQ(name.rfind("big", 0), 0u) << name;
    EXPECT_EQ(ListFolder(out.Path()).size(), 6u);
}

TEST_F(Temporaries, AReportKeepsItsReasonHoweverLongThePathsInIt) {
    const std::string folder = std::string(200, 'f');
    const std::string name = std::string(251, 'n') + ".txt";
    const std::string archive =
        WriteArchive(work, "deep.zip", {{.name = folder + "/" + name, .data = "x"}});
    // A folder where the file should go.
    CreateDirectoryW(Long(out.File(folder)).c_str(), nullptr);
    CreateDirectoryW(Long(out.File(folder + "\\" + name)).c_str(), nullptr);
    const EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 0);
    const std::vector<Call> messages = run.Messages();
    ASSERT_EQ(messages.size(), 1u) << run.Describe();
    const std::string& text = messages[0].text;
    EXPECT_LT(text.size(), static_cast<size_t>(keng::kCallbackTextSize));
    EXPECT_THAT(text, ::testing::StartsWith("Skipped \""));
    EXPECT_THAT(text, ::testing::HasSubstr("..."));
    EXPECT_THAT(text, ::testing::EndsWith("a folder of that name is there")) << text;
}

} // namespace

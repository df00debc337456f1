// ConvertSFX and ConvertZIP on real files: preconditions and their messages in order, the stub
// search, byte-exact round trips, the converted program unpacking itself, the overwrite
// question and failures that leave nothing behind.
#include "engine/Convert.h"
#include "engine/ZipKeep.h"
#include "tests/dlls/sfx/StubRunner.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>

using namespace testing_support;
using namespace zipcore_test;

namespace {

using Conversion = std::int32_t (TZipKeeper::*)();

class ConvertTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    TZipKeeper zip{nullptr};

    void TearDown() override { kconvert::SetStubCandidates({}); }

    std::vector<std::string> Folder() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        ui::FindHandle h(FindFirstFileA((tmp.Path() + "*").c_str(), &fd));
        if (h) {
            do {
                const std::string n = fd.cFileName;
                if (n != "." && n != "..") names.push_back(n);
            } while (FindNextFileA(h.Get(), &fd));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string WriteZip(const std::string& name, const std::vector<TestMember>& members,
                         const ArchiveOptions& options = {}) {
        const std::string path = tmp.File(name);
        WriteFileBytes(path, BuildArchive(members, options).bytes);
        return path;
    }
};

const std::vector<TestMember> kMembers = {
    {"docs/", ""}, {"docs/a.txt", "alpha alpha alpha"}, {"b.bin", std::string(5000, 'b'), 0}};

TEST_F(ConvertTest, PreconditionsAreCheckedInOrderWithTheirMessages) {
    const std::string nowhere = tmp.File("none\\KSFX.BIN");
    struct Case {
        const char* file; // created when not empty
        const char* named;
        bool stubFound;
        Conversion convert;
        const char* message;
    } cases[] = {
        {"", "missing.zip", false, &TZipKeeper::ConvertSFX, "Error - no zip file specified"},
        {"", "", true, &TZipKeeper::ConvertSFX, "Error - no zip file specified"},
        {"a.txt", "a.txt", false, &TZipKeeper::ConvertSFX, "Error - KSFX.BIN not found"},
        {"b.txt", "b.txt", true, &TZipKeeper::ConvertSFX, "Error: input file is not a zip file"},
        {"c.zip.bak", "c.zip.bak", true, &TZipKeeper::ConvertSFX,
         "Error: input file is not a zip file"},
        {"", "missing.exe", true, &TZipKeeper::ConvertZIP, "Error - no .EXE file specified"},
        {"d.zip", "d.zip", true, &TZipKeeper::ConvertZIP, "Error: input file is not an .EXE file"},
        {"e.exe", "e.exe", true, &TZipKeeper::ConvertZIP,
         "Error determining the type of SFX archive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + std::string(" / ") + c.named);
        if (*c.file) WriteFileBytes(tmp.File(c.file), "not an archive at all");
        kconvert::SetStubCandidates({nowhere});
        zip.SFXPath = c.stubFound ? sfx_test::StubPath() : "";
        zip.SetZipFilename(*c.named ? tmp.File(c.named) : "");
        const std::vector<std::string> before = Folder();
        dialogs.Clear();
        EXPECT_EQ((zip.*c.convert)(), kconvert::kRefused);
        EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(Folder(), before);
        EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Default);
        if (!c.stubFound && c.convert == &TZipKeeper::ConvertSFX && *c.file) {
            EXPECT_EQ(zip.SFXPath, nowhere); // the last place tried
        }
    }
}

TEST_F(ConvertTest, StubIsLookedForBesideTheProgramThenInTheWindowsAndSystemFolders) {
    const std::vector<std::string> places = kconvert::StubCandidates();
    char windows[256], system[256];
    GetWindowsDirectoryA(windows, sizeof windows);
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(places,
              (std::vector<std::string>{sfx_test::StubPath(), std::string(windows) + "\\KSFX.BIN",
                                        std::string(system) + "\\KSFX.BIN"}));

    const std::string a = tmp.File("a.bin"), b = tmp.File("b.bin"), c = tmp.File("c.bin");
    WriteFileBytes(b, "stub");
    WriteFileBytes(c, "stub");
    struct Case {
        std::string given;
        bool found;
        std::string result;
    } cases[] = {
        {c, true, c},  // an existing path is kept
        {"", true, b}, // the first existing candidate, in order
        {tmp.File("gone.bin"), true, b},
    };
    for (const Case& k : cases) {
        std::string path = k.given;
        EXPECT_EQ(kconvert::FindStub(path, {a, b, c}), k.found);
        EXPECT_EQ(path, k.result);
    }
    std::string none;
    EXPECT_FALSE(kconvert::FindStub(none, {a, tmp.File("x.bin")}));
    EXPECT_EQ(none, tmp.File("x.bin"));

    // With no path given, the stub shipped beside the program is found and kept.
    zip.SetZipFilename(WriteZip("s.zip", kMembers));
    EXPECT_EQ(zip.ConvertSFX(), kconvert::kConverted);
    EXPECT_EQ(zip.SFXPath, sfx_test::StubPath());
}

TEST_F(ConvertTest, ZipToProgramAndBackIsByteIdentical) {
    ArchiveOptions comment, zip64;
    comment.comment = "An archive comment";
    zip64.zip64End = true;
    TestMember streamed{"streamed.txt", std::string(4000, 's')}; // data a multiple of 4 long
    streamed.descriptor = true;
    streamed.method = 0;
    struct Case {
        const char* label;
        std::vector<TestMember> members;
        ArchiveOptions options;
        const char* name;
    } cases[] = {
        {"plain", kMembers, {}, "plain.zip"},
        {"comment", kMembers, comment, "comment.ZIP"},
        {"ZIP64 end records", kMembers, zip64, "zip64.Zip"},
        {"data descriptor", {{"first.txt", "one"}, streamed}, {}, "streamed.zip"},
    };
    const std::string stub = sfx_test::StubBytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = WriteZip(c.name, c.members, c.options);
        const std::string original = ReadFileBytes(path);
        const std::string exe = path.substr(0, path.size() - 4) + ".exe";
        zip.SFXPath = "";
        zip.SetZipFilename(path);
        const int listed = zip.Count();
        ASSERT_EQ(listed, static_cast<int>(c.members.size()));

        EXPECT_EQ(zip.ConvertSFX(), kconvert::kConverted);
        EXPECT_EQ(zip.ZipFilename(), exe);
        EXPECT_EQ(ReadFileBytes(exe), stub + original);
        EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(zip.SFXOffset, static_cast<std::int32_t>(stub.size()));
        EXPECT_EQ(zip.Count(), listed);

        EXPECT_EQ(zip.ConvertZIP(), kconvert::kConverted);
        const std::string back = exe.substr(0, exe.size() - 4) + ".zip";
        EXPECT_EQ(zip.ZipFilename(), back);
        EXPECT_EQ(ReadFileBytes(back), original);
        EXPECT_EQ(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(zip.SFXOffset, 0);
        EXPECT_EQ(zip.Count(), listed);
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Default);
    }
}

TEST_F(ConvertTest, ConvertedProgramUnpacksTheOriginalFiles) {
    zip.SetZipFilename(WriteZip("setup.zip", kMembers));
    ASSERT_EQ(zip.ConvertSFX(), kconvert::kConverted);
    const std::string out = tmp.File("unpacked");
    const sfx_test::StubRun run = sfx_test::RunProgram(zip.ZipFilename(), "/s \"/d:" + out + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(out + "\\docs\\a.txt"), kMembers[1].data);
    EXPECT_EQ(ReadFileBytes(out + "\\b.bin"), kMembers[2].data);
}

TEST_F(ConvertTest, ExistingOutputIsReplacedOnlyAfterYes) {
    struct Case {
        Conversion convert;
        bool answer;
    } cases[] = {{&TZipKeeper::ConvertSFX, false},
                 {&TZipKeeper::ConvertSFX, true},
                 {&TZipKeeper::ConvertZIP, false},
                 {&TZipKeeper::ConvertZIP, true}};
    for (const Case& c : cases) {
        const bool toExe = c.convert == &TZipKeeper::ConvertSFX;
        SCOPED_TRACE(std::string(toExe ? "to exe, " : "to zip, ") + (c.answer ? "Yes" : "No"));
        TempFolder folder;
        const std::string zipPath = folder.File("a.zip"), exePath = folder.File("a.exe");
        const std::string archive = BuildArchive(kMembers).bytes;
        const std::string program = sfx_test::StubBytes() + archive;
        WriteFileBytes(zipPath, toExe ? archive : "an unrelated file");
        WriteFileBytes(exePath, toExe ? "an unrelated file" : program);
        const std::string input = toExe ? zipPath : exePath, output = toExe ? exePath : zipPath;
        zip.SetZipFilename(input);
        dialogs.Clear();
        dialogs.confirmAnswers = {c.answer};

        const std::int32_t result = (zip.*c.convert)();
        EXPECT_EQ(dialogs.Texts(),
                  std::vector<std::string>{"Overwrite Existing File: " + output + "?"});
        EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Confirm);
        EXPECT_EQ(result, c.answer ? kconvert::kConverted : kconvert::kRefused);
        EXPECT_EQ(ReadFileBytes(output),
                  c.answer ? (toExe ? program : archive) : std::string("an unrelated file"));
        EXPECT_EQ(GetFileAttributesA(input.c_str()) != INVALID_FILE_ATTRIBUTES, !c.answer);
        EXPECT_EQ(zip.ZipFilename(), c.answer ? output : input);
    }
}

TEST_F(ConvertTest, FailedConversionsLeaveTheInputAndNothingElse) {
    const std::string archive = WriteZip("a.zip", kMembers);
    const std::string original = ReadFileBytes(archive);
    const std::string shortStub = tmp.File("short.bin");
    WriteFileBytes(shortStub, sfx_test::StubBytes().substr(0, kconvert::kMinimumStubSize - 1));
    const std::string lockedStub = tmp.File("locked.bin");
    WriteFileBytes(lockedStub, sfx_test::StubBytes());
    ui::FileHandle lock(
        CreateFileA(lockedStub.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());

    struct Case {
        const char* label;
        std::string stub;
        bool outputIsFolder;
        std::int32_t code;
        std::string cause; // the start of the reason the box adds
    } cases[] = {
        {"stub under 28000 bytes", shortStub, false, kconvert::kRefused, ""},
        {"stub cannot be opened", lockedStub, false, kconvert::kCannotOpen,
         "Cannot open \"" + lockedStub + "\": "},
        {"output name taken by a folder", sfx_test::StubPath(), true, kconvert::kCannotCreate,
         "Cannot replace \"" + tmp.File("a.exe") + "\": "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.outputIsFolder) CreateDirectoryA(tmp.File("a.exe").c_str(), nullptr);
        const std::vector<std::string> before = Folder();
        zip.SFXPath = c.stub;
        zip.SetZipFilename(archive);
        dialogs.Clear();
        EXPECT_EQ(zip.ConvertSFX(), c.code);
        EXPECT_EQ(zip.ConvertCause().substr(0, c.cause.size()), c.cause);
        EXPECT_EQ(zip.ConvertCause().empty(), c.cause.empty()) << zip.ConvertCause();
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(Folder(), before);
        EXPECT_EQ(ReadFileBytes(archive), original);
        EXPECT_EQ(zip.ZipFilename(), archive);
        EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Default);
    }

    // The other way: an input that cannot be opened.
    RemoveDirectoryA(tmp.File("a.exe").c_str());
    const std::string exe = tmp.File("b.exe");
    WriteFileBytes(exe, sfx_test::StubBytes() + original);
    zip.SetZipFilename(exe);
    ASSERT_NE(zip.SFXOffset, 0);
    ui::FileHandle exeLock(
        CreateFileA(exe.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::vector<std::string> before = Folder();
    EXPECT_EQ(zip.ConvertZIP(), kconvert::kCannotOpen);
    EXPECT_EQ(zip.ConvertCause().rfind("Cannot open \"" + exe + "\": ", 0), 0u)
        << zip.ConvertCause();
    EXPECT_EQ(Folder(), before);
}

// A conversion that fails for want of disk space keeps the box's own text and adds the cause
// in the words adding and extracting use.
TEST(ConvertCause, AFullDiskIsSaidSoAndOtherFailuresGiveTheSystemsReason) {
    struct Case {
        unsigned long error;
        std::string text;
    } const cases[] = {
        {ERROR_DISK_FULL, "Not enough disk space to write \"C:\\x\\a.exe\"."},
        {ERROR_HANDLE_DISK_FULL, "Not enough disk space to write \"C:\\x\\a.exe\"."},
        {ERROR_ACCESS_DENIED, "Cannot write \"C:\\x\\a.exe\": "},
    };
    for (const Case& c : cases) {
        const std::string problem = kconvert::WriteProblem("C:\\x\\a.exe", c.error);
        EXPECT_EQ(problem.substr(0, c.text.size()), c.text) << c.error;
        EXPECT_EQ(kconvert::WithCause("Error occured in making .EXE file", problem),
                  "Error occured in making .EXE file\n\n" + problem);
    }
    EXPECT_EQ(kconvert::WithCause("Error occured in making .ZIP file", ""),
              "Error occured in making .ZIP file");
}

TEST_F(ConvertTest, TemporariesLeftByAKilledConversionAreSweptAndOnlyThey) {
    const std::string archive = WriteZip("a.zip", kMembers);
    const std::string original = ReadFileBytes(archive);
    // What conversions killed half way leave behind: their part-written temporaries.
    WriteFileBytes(tmp.File("~ksx0badf00d.tmp"), original.substr(0, 100));
    WriteFileBytes(tmp.File("~KSX12345678.TMP"), "x");
    // Not left over: other names, and the temporary of a conversion still running.
    const std::vector<std::string> others = {"~ksx1234.tmp", "~ksxnothexes.tmp", "ksx12345678.tmp",
                                             "~ksx12345678.tmp.bak", "~ksxaaaaaaaa.tmp"};
    for (const std::string& name : others)
        WriteFileBytes(tmp.File(name), "keep");
    ui::FileHandle running(CreateFileA(tmp.File("~ksxaaaaaaaa.tmp").c_str(), GENERIC_WRITE, 0,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(running.Valid());

    zip.SFXPath = sfx_test::StubPath();
    zip.SetZipFilename(archive);
    ASSERT_EQ(zip.ConvertSFX(), kconvert::kConverted);
    std::vector<std::string> expected = others;
    expected.push_back("a.exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Folder(), expected);
    const std::string made = ReadFileBytes(tmp.File("a.exe"));
    EXPECT_EQ(made.substr(made.size() - original.size()), original);
    running.Reset();
    for (const std::string& name : others)
        EXPECT_EQ(ReadFileBytes(tmp.File(name)), "keep") << name;
}

} // namespace

// Run by convert-full-disk.sh, with KELVORA_SMALL_DISK naming a folder on a disk of 1 MB: the
// self-extracting copy of an archive of 600 KB does not fit beside it.
TEST_F(ConvertTest, AFullDiskIsTheCauseTheBoxGives) {
    const char* small = std::getenv("KELVORA_SMALL_DISK");
    if (!small) GTEST_SKIP() << "needs a small disk: tests/engine/convert-full-disk.sh";
    const std::string archive = std::string(small) + "big.zip";
    WriteFileBytes(
        archive,
        BuildArchive({{.name = "noise.bin", .data = Pseudorandom(600000), .method = 0}}).bytes);
    const std::string original = ReadFileBytes(archive);
    zip.SFXPath = sfx_test::StubPath();
    zip.SetZipFilename(archive);
    dialogs.Clear();
    EXPECT_EQ(zip.ConvertSFX(), kconvert::kCopyFailed);
    EXPECT_EQ(zip.ConvertCause(),
              "Not enough disk space to write \"" + std::string(small) + "big.exe\".");
    EXPECT_EQ(ReadFileBytes(archive), original);
    WIN32_FIND_DATAA fd;
    int files = 0;
    HANDLE find = FindFirstFileA((std::string(small) + "*").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        files += fd.cFileName[0] != '.';
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    EXPECT_EQ(files, 1) << "a temporary file was left on the full disk";
}

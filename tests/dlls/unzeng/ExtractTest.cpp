#include "tests/dlls/unzeng/ExtractFixture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace unzeng_test;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using zipcore_test::TestMember;
using zipcore_test::Text;

namespace {

using Extract = ExtractFixture;

} // namespace

TEST_F(Extract, CallbacksAnnounceEachFileThenOneUnitPer32KiBThenEndOfBatch) {
    const std::vector<std::size_t> sizes = {0, 100, 32768, 32769, 100000, 3 * 65536 + 5};
    std::vector<TestMember> members;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        members.push_back({.name = std::string("f") + std::to_string(i) + ".dat",
                           .data = Text(sizes[i], static_cast<char>('a' + i)),
                           .method = static_cast<std::uint16_t>(i % 2 ? 0 : 8)});
    const std::string archive = WriteArchive(work, "a.zip", members);

    EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, static_cast<int>(sizes.size())) << run.Describe();

    // Expected: per file 1 (name, size), floor(size / 32768) times 2; then a single 3.
    std::vector<Call> expected;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        expected.push_back({1, 0, static_cast<std::int32_t>(sizes[i]), members[i].name, nullptr});
        for (std::size_t u = 0; u < sizes[i] / 32768; ++u)
            expected.push_back({2, 0, 0, "", nullptr});
    }
    expected.push_back({3, 0, 0, "", nullptr});
    ASSERT_EQ(run.calls.size(), expected.size()) << run.Describe();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(run.calls[i].action, expected[i].action) << "call " << i;
        EXPECT_EQ(run.calls[i].caller, &engine) << "call " << i;
        if (expected[i].action == 1) {
            EXPECT_EQ(run.calls[i].text, expected[i].text);
            EXPECT_EQ(run.calls[i].size, expected[i].size);
        }
    }
    for (const TestMember& m : members)
        EXPECT_TRUE(ReadFileBytes(out.File(m.name)) == m.data) << m.name;
}

TEST_F(Extract, ManyMembersAreReportedInArchiveOrder) {
    std::vector<TestMember> members;
    for (int i = 0; i < 300; ++i)
        members.push_back({.name = std::string("d") + std::to_string(i % 7) + "/file" +
                                   std::to_string(i) + ".txt",
                           .data = Text(static_cast<std::size_t>(i * 211 % 70000), 'k'),
                           .method = static_cast<std::uint16_t>(i % 3 ? 8 : 0)});
    EngineRun run = engine.Exec(Into(WriteArchive(work, "many.zip", members)));
    ASSERT_EQ(run.result, 300) << run.Describe();
    std::vector<std::string> names;
    for (const TestMember& m : members)
        names.push_back(m.name);
    EXPECT_EQ(run.NewFiles(), names);
    for (int i = 0; i < 300; i += 37) {
        const std::string path = out.File(std::string("d") + std::to_string(i % 7) + "\\file" +
                                          std::to_string(i) + ".txt");
        EXPECT_TRUE(ReadFileBytes(path) == members[i].data) << path;
    }
}

TEST_F(Extract, DirNamesRecreatesFoldersOtherwiseBareNames) {
    const std::vector<TestMember> members = {
        {.name = "docs/", .data = "", .method = 0},
        {.name = "docs/sub/a.txt", .data = "A"},
        {.name = "empty/", .data = "", .method = 0},
        {.name = "top.txt", .data = "T"},
    };
    const std::string archive = WriteArchive(work, "d.zip", members);
    EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 2) << run.Describe();
    EXPECT_EQ(ReadFileBytes(out.File("docs\\sub\\a.txt")), "A");
    EXPECT_EQ(ReadFileBytes(out.File("top.txt")), "T");
    EXPECT_TRUE(FolderExists(out.File("empty")));

    TempFolder flat;
    Options o = Into(archive);
    o.folder = flat.Path();
    o.dirNames = false;
    run = engine.Exec(o);
    EXPECT_EQ(run.result, 2) << run.Describe();
    std::vector<std::string> names = ListFolder(flat.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "top.txt"}));
}

TEST_F(Extract, NamesAndMasksSelectMembersAndUnmatchedOnesAreReported) {
    const std::vector<TestMember> members = {
        {.name = "docs/a.txt", .data = "a"},
        {.name = "docs/b.log", .data = "b"},
        {.name = "c.log", .data = "c"},
        {.name = "d.txt", .data = "d"},
    };
    Options o = Into(WriteArchive(work, "s.zip", members));
    o.specs = {"DOCS\\A.TXT", "*.log", "missing.txt"};
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(run.result, 3) << run.Describe();
    EXPECT_TRUE(FileExists(out.File("docs\\a.txt")));
    EXPECT_TRUE(FileExists(out.File("docs\\b.log")));
    EXPECT_TRUE(FileExists(out.File("c.log")));
    EXPECT_FALSE(FileExists(out.File("d.txt")));
    EXPECT_TRUE(run.HasMessage(keng::kErrNoMatch, "missing.txt")) << run.Describe();
    EXPECT_EQ(run.Messages().size(), 1u) << run.Describe();

    TempFolder all;
    o.folder = all.Path();
    o.specs = {"*.*"};
    run = engine.Exec(o);
    EXPECT_EQ(run.result, 4) << run.Describe();
    EXPECT_TRUE(run.Messages().empty()) << run.Describe();
}

TEST_F(Extract, ExistingFilesAreSkippedAndReportedUnlessOverWrite) {
    const std::string archive = WriteArchive(
        work, "o.zip",
        {{.name = "keep.txt", .data = "new data"}, {.name = "fresh.txt", .data = "f"}});
    WriteFileBytes(out.File("keep.txt"), "old");
    Options o = Into(archive);
    o.overwrite = false;
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_EQ(ReadFileBytes(out.File("keep.txt")), "old");
    EXPECT_EQ(ReadFileBytes(out.File("fresh.txt")), "f");
    EXPECT_TRUE(run.HasMessage(keng::kErrExists, "keep.txt")) << run.Describe();
    EXPECT_EQ(run.NewFiles(), std::vector<std::string>{"fresh.txt"});

    // OverWrite replaces, also a read-only file, and leaves no temporary file behind.
    SetFileAttributesA(out.File("keep.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    o.overwrite = true;
    run = engine.Exec(o);
    EXPECT_EQ(run.result, 2) << run.Describe();
    EXPECT_EQ(ReadFileBytes(out.File("keep.txt")), "new data");
    std::vector<std::string> names = ListFolder(out.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fresh.txt", "keep.txt"}));
}

TEST_F(Extract, AskingTheProgramBeforeReplacingFollowsEachAnswer) {
    const std::string archive = WriteArchive(work, "q.zip",
                                             {{.name = "keep.txt", .data = "new keep"},
                                              {.name = "swap.txt", .data = "new swap"},
                                              {.name = "fresh.txt", .data = "f"}});
    struct Case {
        const char* label;
        bool stop; // at the first question
        const char* keep;
        const char* swap;
        const char* fresh; // empty: not written
    } cases[] = {
        {"answered", false, "old", "new swap", "f"},
        {"stopped", true, "old", "old", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const char* n : {"keep.txt", "swap.txt"})
            WriteFileBytes(out.File(n), "old");
        DeleteFileA(out.File("fresh.txt").c_str());
        Options o = Into(archive);
        o.overwrite = false;
        o.askOverwrite = true;
        o.replyWith = [](const Call& q) {
            return q.text.find("\nswap.txt") != std::string::npos ? keng::kReplyReplace
                                                                  : keng::kReplyKeep;
        };
        if (c.stop)
            o.stopWhen = [](const Call& q, auto&) { return q.action == keng::kActionAskOverwrite; };
        EngineRun run = engine.Exec(o);
        EXPECT_EQ(ReadFileBytes(out.File("keep.txt")), c.keep);
        EXPECT_EQ(ReadFileBytes(out.File("swap.txt")), c.swap);
        EXPECT_EQ(GetFileAttributesA(out.File("fresh.txt").c_str()) != INVALID_FILE_ATTRIBUTES,
                  *c.fresh != 0);
        std::vector<Call> asked;
        for (const Call& call : run.calls)
            if (call.action == keng::kActionAskOverwrite) asked.push_back(call);
        ASSERT_EQ(asked.size(), c.stop ? 1u : 2u) << run.Describe();
        // The existing file's path, a line feed, the stored name; the member's size.
        EXPECT_EQ(asked[0].text, out.File("keep.txt") + "\nkeep.txt");
        EXPECT_EQ(asked[0].size, 8);
        EXPECT_EQ(asked[0].error, keng::kErrExists);
        // A kept file is no problem; nothing else was said but the stop.
        for (const Call& m : run.Messages())
            EXPECT_TRUE(m.error == keng::kErrNone || m.error == keng::kErrCancelled)
                << run.Describe();
        EXPECT_EQ(run.result, c.stop ? 0 : 2);
    }
}

TEST_F(Extract, TestModeChecksEveryMemberAndWritesNothing) {
    std::vector<TestMember> members = {
        {.name = "a/good.txt", .data = Text(70000, 'g')},
        {.name = "bad.txt", .data = Text(40000, 'b')},
        {.name = "c.bin", .data = Text(10, 'c'), .method = 0},
    };
    zipcore_test::BuiltArchive built = zipcore_test::BuildArchive(members);
    zipcore_test::PatchU32(built.bytes, built.centralOffsets[1] + 16, 0xDEADBEEF);
    const std::string archive = work.File("t.zip");
    WriteFileBytes(archive, built.bytes);

    Options o = Into(archive);
    o.test = true;
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(run.result, 2) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrCrc, "bad.txt")) << run.Describe();
    EXPECT_EQ(run.NewFiles(), (std::vector<std::string>{"a/good.txt", "bad.txt", "c.bin"}));
    EXPECT_EQ(std::count_if(run.calls.begin(), run.calls.end(),
                            [](const Call& c) { return c.action == 2; }),
              70000 / 32768 + 40000 / 32768);
    EXPECT_TRUE(ListFolder(out.Path()).empty());
}

TEST_F(Extract, NamesInTheOemCodePageOrUtf8BecomeTheRightFileNames) {
    const std::vector<TestMember> members = {
        {.name = "oem-caf\x82.txt", .data = "oem"},                                // CP437 e-acute
        {.name = "unix-caf\xC3\xA9.txt", .data = "unix", .versionMadeBy = 0x0314}, // UTF-8
    };
    EngineRun run = engine.Exec(Into(WriteArchive(work, "names.zip", members)));
    EXPECT_EQ(run.result, 2) << run.Describe();
    const std::wstring folder(out.Path().begin(), out.Path().end());
    for (const wchar_t* name : {L"oem-caf\u00e9.txt", L"unix-caf\u00e9.txt"}) {
        const DWORD a = GetFileAttributesW((folder + name).c_str());
        EXPECT_NE(a, INVALID_FILE_ATTRIBUTES);
    }
}

// A download cut off in its last member has no directory: every complete member is found by
// its local header, saved and checked against its CRC (a streamed one's CRC comes from its
// data descriptor, with or without the descriptor's signature); the cut one is reported.
TEST_F(Extract, ArchiveCutOffInItsLastMemberSavesEveryCompleteMember) {
    const std::vector<TestMember> members = {
        {.name = "a.txt", .data = Text(5000, 'a')},
        {.name = "streamed.txt", .data = Text(70000, 's'), .descriptor = true},
        {.name = "plain.bin",
         .data = Text(3000, 'n'),
         .method = 0,
         .descriptor = true,
         .descriptorSignature = false},
        {.name = "bad.txt", .data = Text(4000, 'b')},
        {.name = "last.bin", .data = Text(9000, 'l')},
    };
    zipcore_test::BuiltArchive built = zipcore_test::BuildArchive(members);
    zipcore_test::PatchU32(built.bytes, built.localOffsets[3] + 14, 0xDEADBEEF); // local CRC
    const std::string archive = work.File("cut.zip");
    WriteFileBytes(archive, built.bytes.substr(0, built.localOffsets[4] + 30 + 8 + 100));

    for (const bool test : {false, true}) {
        Options o = Into(archive);
        o.test = test;
        const EngineRun run = engine.Exec(o);
        EXPECT_EQ(run.result, 3) << run.Describe();
        EXPECT_TRUE(run.HasMessage(keng::kErrCrc, "bad.txt")) << run.Describe();
        EXPECT_TRUE(
            run.HasMessage(keng::kErrBadArchive, "\"last.bin\": the archive ends inside it"))
            << run.Describe();
        EXPECT_TRUE(run.HasMessage(keng::kErrNone, "4 complete members")) << run.Describe();
    }
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ReadFileBytes(out.File(members[i].name)), members[i].data) << members[i].name;
    EXPECT_FALSE(FileExists(out.File("bad.txt")));
    EXPECT_FALSE(FileExists(out.File("last.bin")));
}

// A download cut off before its directory: the files get the names the whole archive gives
// them (Info-ZIP on Unix: UTF-8 without the flag, told by its local Unix owner field), also
// behind junk between members, which is noted; a damaged header found there is named.
TEST_F(Extract, ACutArchiveExtractsUnderTheNamesTheWholeArchiveGives) {
    const std::string unixFields = zipcore_test::FromHex("75780b000104000000000400000000");
    const std::string folderName = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0.txt"; // Папка.txt
    const std::string cityName = "\xC5\x81\xC3\xB3"
                                 "d\xC5\xBA.txt"; // Łódź.txt
    std::vector<TestMember> members;
    for (const std::string& name : {folderName, cityName}) {
        TestMember m{.name = name, .data = "data of " + name};
        m.versionMadeBy = 3 << 8 | 30;
        m.localExtra = m.centralExtra = unixFields;
        members.push_back(m);
    }
    const zipcore_test::BuiltArchive built = zipcore_test::BuildArchive(members);
    std::string cut = built.bytes.substr(0, built.centralDirOffset);
    cut.insert(built.localOffsets[1], std::string(50, 'J'));
    const std::string archive = work.File("cut.zip");
    WriteFileBytes(archive, cut);
    const EngineRun run = engine.Exec(Into(archive));
    EXPECT_EQ(run.result, 2) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrNone, "50 bytes between the members")) << run.Describe();
    for (const std::wstring& name : {std::wstring(L"\u041F\u0430\u043F\u043A\u0430.txt"),
                                     std::wstring(L"\u0141\u00F3d\u017A.txt")}) {
        const std::string folder = out.Path();
        const std::wstring path = std::wstring(folder.begin(), folder.end()) + name;
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

#include "tests/dlls/unzeng/EngineHarness.h"
#include "tests/dlls/unzeng/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace unzeng_test;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using zipcore_test::TestMember;

namespace {

class Safety : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.Loaded()) << "KUNZENG.DLL not beside the test"; }

    Options Into(const std::string& archive, const std::string& folder) {
        Options o;
        o.archive = archive;
        o.folder = folder;
        return o;
    }

    Engine engine;
    TempFolder work;
};

int CountActions(const EngineRun& run, int action) {
    return static_cast<int>(std::count_if(run.calls.begin(), run.calls.end(),
                                          [&](const Call& c) { return c.action == action; }));
}

} // namespace

TEST_F(Safety, NamesThatWouldLeaveTheTargetAreRefusedByName) {
    // The target is a folder inside `work`, so anything escaping it would land in `work`.
    const std::string target = work.File("target");
    CreateDirectoryA(target.c_str(), nullptr);
    const std::vector<std::string> hostile = {
        "../escaped.txt", "a/../../escaped2.txt",  "/abs.txt",
        "C:\\drive.txt",  "\\\\srv\\share\\x.txt", "nul.txt",
        "dir/COM1",       "bad<char.txt",          "dot./x.txt",
        "com\xC2\xB9",    "LPT\xC2\xB3.txt"};
    std::vector<TestMember> members = {{.name = "good.txt", .data = "ok"}};
    for (const std::string& name : hostile)
        members.push_back({.name = name, .data = "evil", .versionMadeBy = 0x0314}); // UTF-8 names
    EngineRun run = engine.Exec(Into(WriteArchive(work, "h.zip", members), target));
    EXPECT_EQ(run.result, 1) << run.Describe();
    for (const std::string& name : hostile)
        EXPECT_TRUE(run.HasMessage(keng::kErrUnsafeName, name)) << name << "\n" << run.Describe();
    EXPECT_EQ(ListFolder(target), std::vector<std::string>{"good.txt"});
    std::vector<std::string> outside = ListFolder(work.Path());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ(outside, (std::vector<std::string>{"h.zip", "target"}));

    // Junking folder names does not make such a name acceptable.
    Options o = Into(work.File("h.zip"), target);
    o.dirNames = false;
    run = engine.Exec(o);
    EXPECT_TRUE(run.HasMessage(keng::kErrUnsafeName, "../escaped.txt")) << run.Describe();
    EXPECT_FALSE(FileExists(target + "\\escaped.txt"));
}

TEST_F(Safety, LinkMembersAreNotCreatedAndUnsupportedMethodsAreNamed) {
    const std::vector<TestMember> members = {
        {.name = "link",
         .data = "/etc/passwd",
         .method = 0,
         .versionMadeBy = 0x0314,
         .externalAttributes = 0120777u << 16},
        {.name = "b.bz2member", .data = "xx", .method = 12},
        {.name = "lzma", .data = "xx", .method = 14},
        {.name = "zstd", .data = "xx", .method = 93},
        {.name = "xz", .data = "xx", .method = 95},
        {.name = "ppmd", .data = "xx", .method = 98},
        {.name = "aes", .data = "xx", .method = 99},
        {.name = "plain.txt", .data = "plain"},
    };
    TempFolder out;
    EngineRun run = engine.Exec(Into(WriteArchive(work, "l.zip", members), out.Path()));
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrLink, "link")) << run.Describe();
    for (const char* method :
         {"unsupported method: bzip2 (method 12)", "unsupported method: LZMA (method 14)",
          "unsupported method: Zstandard (method 93)", "unsupported method: XZ (method 95)",
          "unsupported method: PPMd (method 98)", "(method 99)"})
        EXPECT_TRUE(run.HasMessage(keng::kErrUnsupportedMethod, method)) << method;
    EXPECT_EQ(ListFolder(out.Path()), std::vector<std::string>{"plain.txt"});
}

TEST_F(Safety, CrcFailureLeavesDataOnlyUnderATemporaryName) {
    const std::string data(50000, 'd');
    zipcore_test::BuiltArchive built = zipcore_test::BuildArchive(
        {{.name = "bad.txt", .data = data}, {.name = "ok.txt", .data = "o"}});
    zipcore_test::PatchU32(built.bytes, built.centralOffsets[0] + 16, 0x01020304);
    const std::string archive = work.File("c.zip");
    WriteFileBytes(archive, built.bytes);

    TempFolder out;
    EngineRun run = engine.Exec(Into(archive, out.Path()));
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrCrc, "bad.txt")) << run.Describe();
    EXPECT_FALSE(FileExists(out.File("bad.txt")));
    EXPECT_TRUE(ReadFileBytes(out.File("bad.txt.~kz")) == data);

    // Over an existing file: the file stays as it was, the data goes to a temporary name.
    TempFolder existing;
    WriteFileBytes(existing.File("bad.txt"), "precious");
    run = engine.Exec(Into(archive, existing.Path()));
    EXPECT_EQ(ReadFileBytes(existing.File("bad.txt")), "precious");
    EXPECT_TRUE(ReadFileBytes(existing.File("bad.txt.~kz")) == data);
    EXPECT_TRUE(run.HasMessage(keng::kErrCrc, "bad.txt.~kz")) << run.Describe();
}

TEST_F(Safety, DamagedDataIsReportedAndRemoved) {
    std::string noise(60000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>(i * 2654435761u >> 13);
    zipcore_test::BuiltArchive built =
        zipcore_test::BuildArchive({{.name = "z.bin", .data = noise}});
    built.bytes[built.localOffsets[0] + 30 + 5 + 10] ^= 0x55;
    built.bytes[built.localOffsets[0] + 30 + 5 + 11] ^= 0xAA;
    const std::string archive = work.File("z.zip");
    WriteFileBytes(archive, built.bytes);
    TempFolder out;
    EngineRun run = engine.Exec(Into(archive, out.Path()));
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.HasMessage(keng::kErrCrc, "z.bin")) << run.Describe();
    EXPECT_FALSE(FileExists(out.File("z.bin")));
}

TEST_F(Safety, StopRequestEndsTheExtractionAndLeavesNoPartialFile) {
    // Incompressible data, so the worker is still writing when the third unit is answered.
    std::string noise(16 << 20, '\0');
    std::uint32_t x = 7;
    for (char& c : noise) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    std::vector<TestMember> members = {{.name = "first.txt", .data = "1"},
                                       {.name = "big.bin", .data = noise, .method = 0}};
    for (int i = 0; i < 20; ++i)
        members.push_back({.name = std::string("later") + std::to_string(i) + ".txt", .data = "x"});
    TempFolder out;
    Options o = Into(WriteArchive(work, "s.zip", members), out.Path());
    int units = 0;
    bool partial = false; // the member's name held less than all of its data
    o.stopWhen = [&](const Call& c, const std::vector<Call>&) {
        if (c.action == 2 && FileExists(out.File("big.bin")))
            partial = partial || ReadFileBytes(out.File("big.bin")) != noise;
        return c.action == 2 && ++units == 3;
    };
    EngineRun run = engine.Exec(o);
    EXPECT_FALSE(partial) << "a file was under its own name before its data was complete";
    EXPECT_EQ(ReadFileBytes(out.File("first.txt")), "1");
    // The file being written is removed; had the worker already finished it, it is whole.
    if (FileExists(out.File("big.bin"))) {
        EXPECT_TRUE(ReadFileBytes(out.File("big.bin")) == noise) << "a partial file was left";
    }
    for (const std::string& name : ListFolder(out.Path())) {
        EXPECT_EQ(name.find(".~kz"), std::string::npos) << name;
        EXPECT_NE(name.rfind("~ku", 0), 0u) << name;
    }
    EXPECT_EQ(CountActions(run, 2), 3); // nothing more after the stop
    EXPECT_EQ(CountActions(run, 3), 1);
    EXPECT_EQ(run.calls.back().action, 3);
    EXPECT_TRUE(run.HasMessage(keng::kErrCancelled, "")) << run.Describe();
    // Only files a worker had finished a few members ahead may exist beside, and they count.
    const int files = static_cast<int>(ListFolder(out.Path()).size());
    EXPECT_LE(files, 1 + 1 + 8);
    EXPECT_EQ(run.result, files);
}

TEST_F(Safety, StopDuringTestingEndsQuickly) {
    std::vector<TestMember> members;
    for (int i = 0; i < 50; ++i)
        members.push_back(
            {.name = std::string("m") + std::to_string(i), .data = std::string(100000, 'q')});
    Options o = Into(WriteArchive(work, "t.zip", members), "");
    o.test = true;
    o.stopWhen = [](const Call& c, const std::vector<Call>&) { return c.action == 1; };
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(CountActions(run, 1), 1);
    EXPECT_EQ(CountActions(run, 2), 0);
    EXPECT_EQ(CountActions(run, 3), 1);
    EXPECT_LE(run.result, 1); // only the member announced, if it was done before the stop
}

TEST_F(Safety, ArchivesThatCannotBeReadAreReportedOnce) {
    TempFolder out;
    WriteFileBytes(work.File("junk.zip"), std::string(5000, 'j'));
    EngineRun run = engine.Exec(Into(work.File("junk.zip"), out.Path()));
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.HasMessage(keng::kErrBadArchive, "junk.zip")) << run.Describe();
    ASSERT_EQ(run.calls.size(), 2u);
    EXPECT_EQ(run.calls.back().action, 3);

    run = engine.Exec(Into(work.File("absent.zip"), out.Path()));
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.HasMessage(keng::kErrOpenArchive, "absent.zip")) << run.Describe();

    // Two members sharing their data: the whole archive is refused before anything is written.
    zipcore_test::BuiltArchive bomb = zipcore_test::BuildArchive(
        {{.name = "a.txt", .data = std::string(1000, 'a')}, {.name = "b.txt", .data = "b"}});
    zipcore_test::PatchU32(bomb.bytes, bomb.centralOffsets[1] + 42, 0);
    WriteFileBytes(work.File("bomb.zip"), bomb.bytes);
    run = engine.Exec(Into(work.File("bomb.zip"), out.Path()));
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.HasMessage(keng::kErrBadArchive, "overlapping")) << run.Describe();
    EXPECT_TRUE(ListFolder(out.Path()).empty());
}

TEST_F(Safety, RecordBuffersAreReadOnlyWithinTheirSizes) {
    // Each text buffer ends exactly at an inaccessible page and has no terminating NUL, so a
    // read past its stated size would fault.
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const std::size_t page = si.dwPageSize;
    auto guarded = [&](std::size_t size, char fill) {
        auto* base = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base + page, page, PAGE_NOACCESS, &old);
        char* buffer = base + page - size;
        std::memset(buffer, fill, size);
        return buffer;
    };
    char* archive = guarded(keng::kNameBufferSize, 'n');
    char* password = guarded(keng::kPasswordBufferSize, 'p');
    char* fileSpec = guarded(keng::kNameBufferSize, 's');

    keng::UnzParams params{};
    params.Caller = &params;
    params.Version = keng::kRecordVersion;
    params.Marker = keng::kRecordMarker;
    params.ArchiveName = archive;
    params.PasswordText = password;
    params.Argc = 1;
    params.FileSpecs[0] = fileSpec;
    params.DirNames = keng::kTrue;
    params.Callback = RecordingCallback();
    TempFolder out;
    EngineRun run = engine.Exec(params, out.Path());
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.HasMessage(keng::kErrOpenArchive, std::string(255, 'n'))) << run.Describe();

    // Wrong marker or too many names: refused with a message, nothing read.
    keng::UnzParams bad{};
    bad.Version = keng::kRecordVersion;
    bad.Marker = 8;
    bad.Callback = RecordingCallback();
    EngineRun refused = engine.Exec(bad, out.Path());
    EXPECT_EQ(refused.result, 0);
    EXPECT_TRUE(refused.HasMessage(keng::kErrParams, "marker 8")) << refused.Describe();
    bad.Marker = keng::kRecordMarker;
    bad.Argc = keng::kMaxFileSpecs + 1;
    refused = engine.Exec(bad, out.Path());
    EXPECT_EQ(refused.result, 0);
    EXPECT_TRUE(refused.HasMessage(keng::kErrParams, "names and masks")) << refused.Describe();
    EXPECT_EQ(refused.calls.back().action, 3);
}

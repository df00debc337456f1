// The stub run unattended on archives appended to it: every member feature unpacks to the
// same bytes, and hostile or damaged members write nothing outside the target folder, never
// leave data under a member's real name, and are each reported.
#include "tests/dlls/sfx/StubRunner.h"
#include "tests/dlls/unzeng/LegacyPasswords.h"
#include "tests/dlls/unzeng/TestFiles.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"
#include "tests/engine/ZipBuilder.h"
#include "base/zipcore/PkCrypt.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

using namespace zipcore_test;
using namespace sfx_test;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using unzeng_test::FileExists;
using unzeng_test::FolderExists;
using unzeng_test::ListFolder;

namespace {

std::string Text(int n, char seed) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<char>(seed + (i * 7 + i / 13) % 23));
    return s;
}

class StubRunTest : public ::testing::Test {
protected:
    TempFolder tmp;
    std::string target = tmp.File("out");

    // The stub followed by the archive, as a conversion writes it.
    std::string MakeProgram(const std::vector<TestMember>& members, ArchiveOptions options = {}) {
        options.prefix = StubBytes();
        options.offsetsCountPrefix = false;
        const std::string path = tmp.File("archive.exe");
        WriteFileBytes(path, BuildArchive(members, options).bytes);
        return path;
    }
    StubRun Run(const std::string& program, const std::string& extra = "") {
        return RunProgram(program, "/s \"/d:" + target + "\" " + extra);
    }
    // Everything below the temporary folder, with '/' separators.
    std::vector<std::string> Tree(const std::string& dir = "", const std::string& prefix = "") {
        std::vector<std::string> all;
        for (const std::string& n : ListFolder(tmp.File(dir))) {
            const std::string rel = prefix + n;
            if (FolderExists(tmp.File(dir + n))) {
                all.push_back(rel + "/");
                for (const std::string& below : Tree(dir + n + "\\", rel + "/"))
                    all.push_back(below);
            } else {
                all.push_back(rel);
            }
        }
        std::sort(all.begin(), all.end());
        return all;
    }
};

struct FeatureCase {
    const char* label;
    std::vector<TestMember> members;
    ArchiveOptions options;
    std::string switches;
};

TEST_F(StubRunTest, EveryMemberFeatureUnpacksToTheStoredBytes) {
    const std::string big = Text(300000, 'a');
    TestMember zip64{"z/large.txt", big};
    zip64.zip64 = true;
    TestMember streamed{"streamed.bin", Text(70000, 'k')};
    streamed.descriptor = true;
    TestMember secret{"secret.txt", Text(5000, 's'), 8, "pass word"};
    TestMember streamedSecret{"s2.txt", Text(100, 't'), 0, "pass word"};
    streamedSecret.descriptor = true;
    TestMember readOnly{"ro.txt", "read only"};
    readOnly.externalAttributes = 0x01;
    TestMember unixReadOnly{"unix-ro.txt", "r--r--r--"};
    unixReadOnly.versionMadeBy = 3 << 8 | 20;
    unixReadOnly.externalAttributes = 0100444u << 16;
    ArchiveOptions withComment;
    withComment.comment = "Unpack me";
    ArchiveOptions zip64End;
    zip64End.zip64End = true;

    const std::vector<FeatureCase> cases = {
        {"deflated, stored and folders",
         {{"docs/", ""}, {"docs/a.txt", Text(1000, 'a')}, {"b.bin", big, 0}, {"empty.txt", ""}},
         {},
         ""},
        {"ZIP64 fields and end record", {zip64, {"small.txt", "x"}}, zip64End, ""},
        {"data descriptors", {streamed, {"after.txt", "after"}}, {}, ""},
        {"read-only files", {readOnly, unixReadOnly, {"rw.txt", "rw"}}, {}, ""},
        {"archive comment", {{"c.txt", "commented"}}, withComment, ""},
        {"encrypted", {secret, streamedSecret, {"plain.txt", "plain"}}, {}, "\"/p:pass word\""},
    };
    for (const FeatureCase& c : cases) {
        SCOPED_TRACE(c.label);
        target = tmp.File("out" + std::to_string(&c - cases.data()));
        const StubRun run = Run(MakeProgram(c.members, c.options), c.switches);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        int files = 0;
        for (const TestMember& m : c.members) {
            std::string path = target + "\\" + m.name;
            std::replace(path.begin(), path.end(), '/', '\\');
            if (m.name.back() == '/') {
                EXPECT_TRUE(FolderExists(path)) << m.name;
                continue;
            }
            ++files;
            EXPECT_EQ(ReadFileBytes(path), m.data) << m.name;
            const bool readOnlyWanted = (m.externalAttributes & 1) || m.name == "unix-ro.txt";
            EXPECT_EQ((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0,
                      readOnlyWanted)
                << m.name;
        }
        EXPECT_NE(run.output.find("Unpacked " + std::to_string(files) + " file"), std::string::npos)
            << run.output;
        for (const std::string& n : Tree()) { // nothing left under a temporary name
            EXPECT_EQ(n.find(".~kz"), std::string::npos) << n;
            EXPECT_EQ(n.find("~ku"), std::string::npos) << n;
        }
    }
}

TEST_F(StubRunTest, HostileNamesAndDamagedDataWriteNothingOutsideAndAreEachReported) {
    TestMember badCrc{"bad.txt", Text(4000, 'b'), 0};
    std::vector<TestMember> members = {
        {"../evil.txt", "x"},
        {"sub/../../up.txt", "x"},
        {"/abs.txt", "x"},
        {"C:/drive.txt", "x"},
        {"con.txt", "x"},
        {"sub/LPT1", "x"},
        {"com\xC2\xB9.txt", "x"},
        {"what?.txt", "x"},
        {"trailing. ", "x"},
        {"good/inside.txt", "fine"},
        badCrc,
        {"link", "target.txt"},
    };
    members[6].versionMadeBy = 3 << 8 | 20; // a Unix host: the name is UTF-8
    members.back().versionMadeBy = 3 << 8 | 20;
    members.back().externalAttributes = 0120777u << 16; // a symbolic link
    ArchiveOptions options;
    options.prefix = StubBytes();
    options.offsetsCountPrefix = false;
    BuiltArchive built = BuildArchive(members, options);
    // Damage one byte of the stored data so that its CRC no longer matches.
    const std::uint64_t data = built.localOffsets[10] + 30 + badCrc.name.size();
    built.bytes[data + 10] ^= 0x55;
    const std::string program = tmp.File("archive.exe");
    WriteFileBytes(program, built.bytes);

    const StubRun run = Run(program);
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(Tree(), (std::vector<std::string>{"archive.exe", "out/", "out/good/",
                                                "out/good/inside.txt"}));
    EXPECT_EQ(ReadFileBytes(target + "\\good\\inside.txt"), "fine");
    for (const char* report :
         {"Refused \"../evil.txt\": it contains a \"..\" folder", "Refused \"sub/../../up.txt\"",
          "Refused \"/abs.txt\": it is an absolute path",
          "Refused \"C:/drive.txt\": it starts with a drive letter",
          "Refused \"con.txt\": it names a device", "Refused \"sub/LPT1\": it names a device",
          "Refused \"com\xC2\xB9.txt\": it names a device",
          "Refused \"what?.txt\": it contains a character that Windows forbids",
          "Refused \"trailing. \"", "Failed \"bad.txt\": its CRC does not match",
          "Refused \"link\": it is a symbolic link"})
        EXPECT_NE(run.output.find(report), std::string::npos) << report << "\n" << run.output;
    EXPECT_NE(run.output.find("Unpacked 1 file to"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("11 could not be unpacked"), std::string::npos) << run.output;
}

TEST_F(StubRunTest, ExistingFilesAndPasswordsFollowTheSwitches) {
    const TestMember secret{"secret.txt", "hidden", 8, "right"};
    const std::vector<TestMember> members = {{"keep.txt", "new"}, secret};
    const std::string program = MakeProgram(members);
    CreateDirectoryA(target.c_str(), nullptr);
    WriteFileBytes(target + "\\keep.txt", "old");

    struct Case {
        const char* switches;
        unsigned long exitCode;
        const char* keep;
        bool secretWritten;
    } cases[] = {
        {"/p:wrong", 1, "old", false},
        {"/p:right", 1, "old", true},
        {"/o", 1, "new", false},
        {"/o /p:right", 0, "new", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches);
        WriteFileBytes(target + "\\keep.txt", "old");
        DeleteFileA((target + "\\secret.txt").c_str());
        const StubRun run = Run(program, c.switches);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_EQ(ReadFileBytes(target + "\\keep.txt"), c.keep);
        EXPECT_EQ(FileExists(target + "\\secret.txt"), c.secretWritten) << run.output;
        EXPECT_EQ(ListFolder(target).size(), c.secretWritten ? 2u : 1u);
    }
}

// Members older tools encrypted with the password's bytes in the locale's ANSI or OEM page
// unpack with the password typed now; a wrong one fails each as any wrong password does.
TEST_F(StubRunTest, TypedPasswordOpensMembersOfOlderTools) {
    const unzeng_test::LegacyPassword* password = unzeng_test::PasswordForLocale();
    if (!password) GTEST_SKIP() << "no password known in this locale's code pages";
    std::vector<TestMember> members = unzeng_test::LegacyMembers(*password);
    members.push_back({"plain.txt", "plain"});
    const std::string program = MakeProgram(members);

    StubRun run = Run(program, "\"/p:" + password->typed + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    for (const TestMember& m : members)
        EXPECT_TRUE(ReadFileBytes(target + "\\" + m.name) == m.data) << m.name;

    target = tmp.File("again");
    run = Run(program, "\"/p:" + password->wrong + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_EQ(ListFolder(target), std::vector<std::string>{"plain.txt"});
    for (std::size_t i = 0; i + 1 < members.size(); ++i)
        EXPECT_NE(run.output.find("\"" + members[i].name +
                                  "\": it is encrypted and the password is missing or wrong"),
                  std::string::npos)
            << members[i].name << "\n"
            << run.output;
}

// The header's check byte lets a wrong form of the password through one time in 256. When the
// typed form gets through for a member an older tool encrypted in the ANSI page, the data fails,
// and the later forms must still have their turn.
TEST_F(StubRunTest, AWrongFormThatPassesTheCheckByteDoesNotHideTheRightOne) {
    const unzeng_test::LegacyPassword* password = unzeng_test::PasswordForLocale();
    if (!password) GTEST_SKIP() << "no password known in this locale's code pages";
    TestMember m{.name = "old.txt", .data = Text(3000, 'o'), .method = 0};
    m.password = password->ansi;
    std::string archive = MakeProgram({m});
    std::string bytes = ReadFileBytes(archive);
    const std::size_t at = bytes.size() - 22 - (46 + m.name.size()) - (m.data.size() + 12);
    ASSERT_EQ(bytes.substr(at - m.name.size(), m.name.size()), m.name); // the data follows
    const std::uint8_t check = zipcore::EncryptionCheckByte(0, Crc(m.data), m.dosTime);
    // Header bytes of our choosing, so that the typed (UTF-8) form passes the check.
    bool found = false;
    for (int k = 0; k < 4096 && !found; ++k) {
        std::string plain(11, '\0');
        for (int i = 0; i < 11; ++i)
            plain[i] = static_cast<char>(k >> (i % 2 ? 8 : 0) ^ i * 37);
        plain += static_cast<char>(check);
        plain += m.data;
        zipcore::PkKeys keys(password->ansi);
        keys.Encrypt(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size());
        zipcore::PkKeys typed(password->typed);
        found = zipcore::CheckEncryptionHeader(
            typed, reinterpret_cast<const std::uint8_t*>(plain.data()), check);
        if (found) bytes.replace(at, plain.size(), plain);
    }
    ASSERT_TRUE(found);
    WriteFileBytes(archive, bytes);

    StubRun run = Run(archive, "\"/p:" + password->typed + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(ReadFileBytes(target + "\\old.txt") == m.data) << run.output;

    // Data too short for its encryption header fails before any form is tried: still one
    // report, after the later forms had their turn.
    const std::size_t central = bytes.size() - 22 - (46 + m.name.size());
    PatchU32(bytes, central + 20, 5);
    PatchU32(bytes, at - m.name.size() - 30 + 18, 5);
    WriteFileBytes(archive, bytes);
    target = tmp.File("short");
    run = Run(archive, "\"/p:" + password->typed + "\"");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("\"old.txt\": its data is damaged"), std::string::npos) << run.output;
}

// One flipped bit: an AES member whose encrypted flag is clear. Its data is encrypted all the
// same, so it takes the password like any AES member, and without one it ends with a report,
// in time, leaving nothing behind.
TEST_F(StubRunTest, AnAesMemberWithItsEncryptedFlagClearStillNeedsThePassword) {
    TestMember secret{"f.bin", Text(5000, 'f'), 8, "right"};
    secret.aesStrength = 3;
    ArchiveOptions options;
    options.prefix = StubBytes();
    options.offsetsCountPrefix = false;
    BuiltArchive built = BuildArchive({secret, {"plain.txt", "plain"}}, options);
    for (const std::uint64_t at : {built.localOffsets[0] + 6, built.centralOffsets[0] + 8})
        built.bytes[at] = static_cast<char>(built.bytes[at] & ~1);
    const std::string program = tmp.File("flag.exe");
    WriteFileBytes(program, built.bytes);

    struct Case {
        const char* switches;
        unsigned long exitCode;
        bool secretWritten;
        const char* report;
    } const cases[] = {
        {"/p:right", 0, true, "Unpacked 2 files"},
        {"/p:wrong", 1, false, "\"f.bin\": it is encrypted and the password is missing or wrong"},
        {"", 1, false, "\"f.bin\": it is encrypted and the password is missing or wrong"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches);
        target = tmp.File(std::string("out") + std::to_string(&c - cases));
        const DWORD started = GetTickCount();
        const StubRun run = RunProgram(program, "/s \"/d:" + target + "\" " + c.switches, 30000);
        EXPECT_LT(GetTickCount() - started, 30000u) << "still running";
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.report), std::string::npos) << run.output;
        EXPECT_EQ(FileExists(target + "\\f.bin"), c.secretWritten);
        if (c.secretWritten) {
            EXPECT_TRUE(ReadFileBytes(target + "\\f.bin") == secret.data);
        }
        EXPECT_EQ(ListFolder(target).size(), c.secretWritten ? 2u : 1u)
            << "a temporary file stayed";
    }
}

// Names of every length a folder entry allows unpack: the temporary name does not grow with
// them. Leftovers of a run that was killed go from the folders unpacked into; other files stay.
TEST_F(StubRunTest, NamesUpTo255CharactersUnpackAndLeftoversOfAKilledRunGo) {
    std::vector<TestMember> members;
    for (int length = 250; length <= 255; ++length)
        members.push_back({std::string(length - 4, char('a' + length - 250)) + ".txt",
                           "length " + std::to_string(length)});
    const std::string program = MakeProgram(members);
    CreateDirectoryA(target.c_str(), nullptr);
    for (const char* name : {"~ku0badf00d.tmp", "~kuNOTHEX1.tmp", "f.bin.~kz"})
        WriteFileBytes(target + "\\" + name, "left");
    const StubRun run = Run(program);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    for (const TestMember& m : members) {
        const std::wstring path = L"\\\\?\\" + std::wstring(target.begin(), target.end()) + L"\\" +
                                  std::wstring(m.name.begin(), m.name.end());
        EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << m.name.size();
    }
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    const std::wstring pattern = L"\\\\?\\" + std::wstring(target.begin(), target.end()) + L"\\*";
    HANDLE find = FindFirstFileW(pattern.c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        const std::wstring n = fd.cFileName;
        if (n != L"." && n != L"..") names.emplace_back(n.begin(), n.end());
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    // The members, and the two files not of the stub's temporary form; the leftover is gone.
    EXPECT_EQ(names.size(), members.size() + 2) << run.output;
    for (const char* stays : {"f.bin.~kz", "~kuNOTHEX1.tmp"})
        EXPECT_EQ(std::count(names.begin(), names.end(), stays), 1) << stays;
    EXPECT_EQ(std::count(names.begin(), names.end(), "~ku0badf00d.tmp"), 0);
}

TEST_F(StubRunTest, NoUsableArchiveEndsWithoutWritingAnything) {
    // Two members claiming the same stored bytes: refused before anything is written.
    ArchiveOptions options;
    options.prefix = StubBytes();
    options.offsetsCountPrefix = false;
    BuiltArchive overlapping = BuildArchive({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}}, options);
    PatchU32(overlapping.bytes, overlapping.centralOffsets[1] + 42,
             static_cast<std::uint32_t>(overlapping.localOffsets[0] - options.prefix.size()));
    const std::string programs[] = {"bare.exe", "overlap.exe", "cut.exe"};
    WriteFileBytes(tmp.File(programs[0]), StubBytes());
    WriteFileBytes(tmp.File(programs[1]), overlapping.bytes);
    WriteFileBytes(tmp.File(programs[2]),
                   overlapping.bytes.substr(0, overlapping.bytes.size() - 30));
    for (const std::string& p : programs) {
        SCOPED_TRACE(p);
        const StubRun run = Run(tmp.File(p));
        EXPECT_EQ(run.exitCode, 3u);
        EXPECT_EQ(run.output.rfind("This program cannot unpack its files: ", 0), 0u) << run.output;
        EXPECT_FALSE(FolderExists(target));
    }
}

} // namespace
